# Import: every record, numbered 1..n, as devmgr writes dev.out.
function record() { print ++n " " $0 }
