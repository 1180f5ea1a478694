-- Stable sort by purchase time in date order (year, then month and day each in numeric-text
-- order), renumbered. The month runs from the sixth character to the next '.'.
.output dev.out
WITH d AS (
  SELECT rowid AS r, *, substr(purchaseTime, 1, 4) AS y,
         instr(substr(purchaseTime, 6), '.') AS e FROM t),
k AS (
  SELECT *, substr(purchaseTime, 6, e - 1) AS m, substr(purchaseTime, 6 + e) AS dd FROM d)
SELECT row_number() OVER w, code, name, holder, department, quantity, purchaseTime, price
  FROM k WINDOW w AS (ORDER BY y, length(m), m, length(dd), dd, r)
  ORDER BY y, length(m), m, length(dd), dd, r;
