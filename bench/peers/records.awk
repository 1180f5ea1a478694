# Regroups the tokens of an import file into records of seven tokens, whatever the lines
# hold (a record may span lines, a line may hold several), and calls the job's record()
# with the record in $1..$7 and $0 holding them joined by single blanks. An incomplete last
# record is dropped, as devmgr drops it. Blanks, tabs and line ends separate tokens (awk's
# default field splitting). Loaded before the job's own script, which holds only
# functions, BEGIN and END.
BEGIN { OFS = " " }
# The common line: one whole record, already joined by single blanks.
NF == 7 && !pending && length($0) == length($1) + length($2) + length($3) + length($4) + \
    length($5) + length($6) + length($7) + 6 { record(); next }
{
  count = split($0, token)
  for (t = 1; t <= count; t++) {
    rec = pending ? rec " " token[t] : token[t]
    if (++pending == 7) { pending = 0; $0 = rec; record() }
  }
}
