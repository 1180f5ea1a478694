-- Quantity totals per name, names in byte order (the BINARY collation compares bytes).
.output stat.out
SELECT name, sum(CAST(quantity AS INTEGER)) FROM t GROUP BY name ORDER BY name;
