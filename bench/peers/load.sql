-- Loads import.txt (one record per line, seven tokens separated by single blanks) into t,
-- its rowid in file order. Every column is text, so quantities keep their bytes.
CREATE TABLE t(code TEXT, name TEXT, holder TEXT, department TEXT, quantity TEXT,
               purchaseTime TEXT, price TEXT);
.mode ascii
.separator " " "\n"
.import import.txt t
.mode list
.separator " " "\n"
