# Decorates each record with a key for the numeric-text order of its quantity: the length
# in two digits, then the text, so that a plain byte sort puts shorter texts first.
function record(  q) { q = $5; print (length(q) < 10 ? "0" : "") length(q) q " " $0 }
