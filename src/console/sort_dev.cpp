#include "console/io.h"
#include "console/operations.h"

// Not built yet: runs the epilogue only.
void SortDev() {
  con::Out("\n");
  ReturnMenu();
}
