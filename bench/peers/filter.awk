# Filter by quantity: the records whose quantity lies in LOW..HIGH (environment), both
# included, in devmgr's numeric-text order (shorter texts first, then bytes), numbered 1..k.
BEGIN {
  low = ENVIRON["LOW"] ""; high = ENVIRON["HIGH"] ""
  nlow = length(low); nhigh = length(high)
}
function record(  q, len) {
  q = $5 ""
  len = length(q)
  if (q == low || q == high ||
      ((len > nlow || (len == nlow && q > low)) && (len < nhigh || (len == nhigh && q < high))))
    print ++n " " $0
}
