// Browsing: the whole data set with the serials that deletion takes.
#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/rows.h"
#include "console/texts_gbk.h"

// Lists every record of dev under the header row; changes nothing.
void ViewDev() {
  con::Out("\n");
  con::Out(txt::kStoredBelow);
  PutList(dev);
  ReturnMenu();
}
