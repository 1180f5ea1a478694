#include "console/io.h"
#include "console/operations.h"

// Not built yet: runs the epilogue only.
void DeletDev() {
  con::Out("\n");
  ReturnMenu();
}
