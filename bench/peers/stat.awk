# Statistics: "name total" per distinct name, in no order (sort orders them afterwards).
function record() { total[$2] += $5 }
END { for (name in total) print name, total[name] }
