// Undo: back to the data set before the last change. Undo is a change itself, so a second
// undo takes back the first.
#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/rows.h"
#include "console/texts_gbk.h"

// dev always equals the newest snapshot, so the state before the last change is the older
// one; with a single snapshot it is the data set the session started with (empty, or the
// records loaded at start), with none there was no change.
void UndoDev() {
  con::Out("\n");
  if (backup.size() == History::kDepth) {
    dev.swap(backup.oldest());
  } else if (backup.size() == 1) {
    dev = backup.start();
  }
  con::Out(txt::kUndone);
  SaveDev("dev.out", dev, "dev");
  ReturnMenu();
}
