-- Stable sort by quantity in numeric-text order (shorter first, then bytes), renumbered.
.output dev.out
SELECT row_number() OVER w, code, name, holder, department, quantity, purchaseTime, price
  FROM t WINDOW w AS (ORDER BY length(quantity), quantity, rowid)
  ORDER BY length(quantity), quantity, rowid;
