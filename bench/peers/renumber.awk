# Replaces the first token of every line (a sort key) by the line number.
{ print NR substr($0, index($0, " ")) }
