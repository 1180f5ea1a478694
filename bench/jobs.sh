# shellcheck shell=sh disable=SC2016,SC2034
# The benchmark's jobs, sourced by bench/run.sh and tests/scripts/bench_check_test.sh.
#
# A job is a devmgr session that imports the file and runs one operation with its output
# saved, and the peers: standard tools that write the same file, byte for byte, from the
# same import file. Every command runs in a directory that holds the import file as
# import.txt, with LC_ALL=C, PEERS (this folder's peers/) and NAME (the name that job e
# queries) in the environment, and is started as `sh -c COMMAND`.

BENCH_JOBS="a b c d e f g"

# What the job does, for the report.
job_title() {
  case $1 in
    a) echo "import + save (dev.out)" ;;
    b) echo "sort by quantity ascending (dev.out)" ;;
    c) echo "sort by purchase time ascending (dev.out)" ;;
    d) echo "filter quantity 666..2333 (filter.out)" ;;
    e) echo "query by name (query.out)" ;;
    f) echo "statistics (stat.out)" ;;
    g) echo "undo after a sort (dev.out)" ;;
  esac
}

# The file that the job writes.
job_output() {
  case $1 in
    d) echo filter.out ;;
    e) echo query.out ;;
    f) echo stat.out ;;
    *) echo dev.out ;;
  esac
}

# The session's standard input: the import, the operation's answers, then 0 to end.
job_answers() {
  printf '1\n1\nimport.txt\n'
  case $1 in
    b) printf '5\n2\nn\n' ;;
    c) printf '5\n3\nn\n' ;;
    d) printf '6\n1\n666\n2333\n2\n' ;;
    e) printf '3\n1\n%s\n2\n' "$NAME" ;;
    f) printf '8\n2\n' ;;
    g) printf '5\n2\nn\n7\n' ;;
  esac
  printf '0\n'
}

# The peers of a job; each writes the job's output file.
job_peers() {
  case $1 in
    a) echo "mawk gawk" ;;
    b | c) echo "gnusort sqlite3" ;;
    d) echo "mawk gawk" ;;
    e) echo "grep+mawk mawk gawk" ;;
    f) echo "mawk+sort gawk+sort sqlite3" ;;
    g) echo "gnusort+cp" ;;
  esac
}

# The I/O floor: copying the import file, with and without making the copy durable.
BENCH_FLOORS="cat cp+sync"

floor_command() {
  case $1 in
    cat) echo 'cat import.txt > copy.txt' ;;
    cp+sync) echo 'cp import.txt copy.txt && sync copy.txt' ;;
  esac
}

# Awk over the import file, regrouped into records of seven tokens, with one job script.
awk_over_records() {
  echo "$1 -f \"\$PEERS/records.awk\" -f \"\$PEERS/$2\" import.txt"
}

# A stable GNU sort of the records by a decorated key, renumbered.
gnusort_by() {
  echo "mawk -f \"\$PEERS/records.awk\" -f \"\$PEERS/$1\" import.txt" \
    "| sort -s -t ' ' -k1,1 -S 1G --parallel=2 | mawk -f \"\$PEERS/renumber.awk\""
}

# The peer's command for a job.
peer_command() {
  local filter_env='LOW=666 HIGH=2333'
  case $1/$2 in
    a/mawk | a/gawk) echo "$(awk_over_records "$2" import.awk) > dev.out" ;;
    b/gnusort) echo "$(gnusort_by key_quantity.awk) > dev.out" ;;
    c/gnusort) echo "$(gnusort_by key_date.awk) > dev.out" ;;
    b/sqlite3) echo 'sqlite3 :memory: ".read $PEERS/load.sql" ".read $PEERS/sort_quantity.sql"' ;;
    c/sqlite3) echo 'sqlite3 :memory: ".read $PEERS/load.sql" ".read $PEERS/sort_date.sql"' ;;
    d/mawk | d/gawk) echo "$filter_env $(awk_over_records "$2" filter.awk) > filter.out" ;;
    e/grep+mawk)
      echo "grep -F -- \" \$NAME \" import.txt" \
        "| mawk -f \"\$PEERS/records.awk\" -f \"\$PEERS/query.awk\" > query.out" ;;
    e/mawk | e/gawk) echo "$(awk_over_records "$2" query.awk) > query.out" ;;
    f/mawk+sort | f/gawk+sort)
      echo "$(awk_over_records "${2%+sort}" stat.awk) | sort -t ' ' -k1,1 > stat.out" ;;
    f/sqlite3) echo 'sqlite3 :memory: ".read $PEERS/load.sql" ".read $PEERS/stat.sql"' ;;
    # Undo after a sort: keep the file before the change, sort, put the kept file back.
    g/gnusort+cp) echo "cp dev.out dev.prev && $(gnusort_by key_quantity.awk) > dev.out" \
      "&& mv dev.prev dev.out" ;;
  esac
}

# What must stand in the directory before a peer's run (not timed): undo needs the file
# that the import wrote, made here by the awk import.
peer_setup() {
  rm -f dev.out dev.prev filter.out query.out stat.out copy.txt
  case $1 in
    g) sh -c "$(peer_command a mawk)" ;;
  esac
}

# The memory sessions: a cycle imports import.txt and undoes the import, a blank import
# reads blanks.txt (blanks only, so no record). $1 is the kind, $2 how many in a row.
memory_answers() (
  i=0
  while [ "$i" -lt "$2" ]; do
    case $1 in
      cycle) printf '1\n1\nimport.txt\n7\n' ;;
      blank) printf '1\n1\nblanks.txt\n' ;;
    esac
    i=$((i + 1))
  done
  printf '0\n'
)

# What a memory session does, for the report.
memory_title() {
  case $1 in
    cycle) echo "import the 10^6-record file and undo it" ;;
    blank) echo "import 50 MiB of blanks (no record)" ;;
  esac
}
