# Decorates each record with a key for the date order of its purchase time: the year, then
# month and day each as its length in two digits and its text. The month ends at the first
# '.' at position 5, 6 or 7 (from 0); the day is what follows it.
function part(s) { return (length(s) < 10 ? "0" : "") length(s) s }
function record(  d, e) {
  d = $6
  e = substr(d, 6, 1) == "." ? 6 : substr(d, 7, 1) == "." ? 7 : substr(d, 8, 1) == "." ? 8 : 0
  if (e) print substr(d, 1, 4) part(substr(d, 6, e - 6)) part(substr(d, e + 1)) " " $0
  else print substr(d, 1, 4) "99" d " " $0
}
