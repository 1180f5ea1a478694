# Prints the words a shell script calls as commands, for commands_table_test.sh, one a line:
#   call FILE LINE WORD      a literal word in command position (also after assignments)
#   external FILE LINE WORD  the same where no function can be meant: a word after
#                            `timeout 9`, `env`, `exec` and the like, the name after
#                            `command -v`, the names given to need_tools
#   function FILE LINE NAME  a function the script defines
# Quoted text, comments, expansions, arithmetic, [[ ]], here-documents, array values and
# case patterns are no commands; $(...) and <(...) are read, inside quotes too. A command
# built in a string (sh -c "...") is not seen: such a script names its tools to need_tools.
# With MAKE=1 the input is a Makefile: only its recipe lines are read, $(VAR) is a word.

function emit(kind, w) { print kind, FILENAME, line, w }

# The parser: takes words (lit 1 when literal, 0 when quoted or expanded) and separators
# (";" "|" "&" "(" ")" ";;", lit -1) and decides which words stand in command position.
function token(w, lit) {
  if (w == ";;") { if (casedepth > 0) mode = "case_pattern"; return }
  if (mode == "case_word") { if (w == "in") mode = "case_pattern"; return }
  if (mode == "case_pattern") {
    if (w == "esac") { casedepth--; mode = "args" }
    else if (w == ")" && lit == -1) mode = "command"
    return
  }
  if (lit == -1) { mode = (mode == "for" && w != ";") ? "for" : "command"; return }
  if (mode == "for") { if (w == "do") mode = "command"; return }
  if (mode == "tools") { if (lit && w !~ /^-/) emit("external", w); return }
  if (mode == "command_v") { if (w ~ /^-/) return; if (lit) emit("external", w); mode = "args"; return }
  if (mode == "option_value") { mode = "options"; return }
  if (mode == "options") {
    if (w ~ /^-[uks]$/) { mode = "option_value"; return }
    if (w ~ /^-/ || w ~ /^[0-9.]+[smhd]?$/ || w ~ /^[A-Za-z_][A-Za-z0-9_]*=/) return
    mode = "wrapped"
  }
  if (mode == "wrapped") { if (lit) emit("external", w); mode = "args"; return }
  if (mode != "command") return
  if (w ~ /^(if|then|else|elif|do|while|until|!|time|\{|\})$/) return
  if (w ~ /^(fi|done|esac)$/) { mode = "args"; return }
  if (w == "for" || w == "select") { mode = "for"; return }
  if (w == "case") { casedepth++; mode = "case_word"; return }
  if (w ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=/) return
  if (w == "command") { mode = "command_v"; return }
  if (w ~ /^(exec|timeout|env|nice|nohup|sudo|xargs|prlimit|setpriv|runuser)$/) {
    if (w != "exec") emit("call", w)
    mode = "options"
    return
  }
  if (w == "need_tools") { mode = "tools"; return }
  if (lit) emit("call", w)
  mode = "args"
}
function word_end() {
  if (word != "") token(word, literal)
  word = ""; literal = 1
}
function sep(s) { word_end(); token(s, -1) }
# The index after the parenthesis that closes the open ones (as many) before i.
function skip_parens(i, open, c) {
  for (; i <= n && open > 0; i++) {
    c = substr(text, i, 1)
    if (c == "\\") i++
    else if (c == "(") open++
    else if (c == ")") open--
    else if (c == "\n") line++
  }
  return i
}
# The index of the character that ends quoted text opened before i by q.
function quote_end(i, q, e, chunk) {
  e = index(substr(text, i), q); chunk = substr(text, i, e)
  line += gsub(/\n/, "", chunk)
  return i + e - 1
}

{ text = text $0 "\n" }

END {
  if (MAKE) {
    gsub(/\\\n/, " ", text)
    m = split(text, rows, "\n"); text = ""
    for (r = 1; r <= m; r++) {
      row = rows[r]
      if (row !~ /^\t/) row = ""
      sub(/^\t[@-]*/, "", row); gsub(/\$\([A-Za-z_]+\)/, "MAKEVAR", row)
      text = text row "\n"
    }
  }
  n = length(text); line = 1; word = ""; literal = 1; mode = "command"; casedepth = 0
  depth = 0; inq = 0; heredoc = ""; open[0] = 0
  for (i = 1; i <= n; i++) {
    c = substr(text, i, 1); two = substr(text, i, 2)
    if (inq) {
      # Inside double quotes only $(...) runs commands.
      if (c == "\"") inq = 0
      else if (c == "\\") i++
      else if (c == "\n") line++
      else if (two == "$(" && substr(text, i, 3) != "$((") { enter(); i++ }
      continue
    }
    if (c == "\n") {
      sep(";"); line++
      while (heredoc != "" && i < n) {
        # A here-document's lines are data, up to its delimiter alone on a line.
        e = index(substr(text, i + 1), "\n"); row = substr(text, i + 1, e - 1); i += e; line++
        sub(/^\t+/, "", row)
        if (row == heredoc) heredoc = ""
      }
    } else if (c == "\\") {
      if (substr(text, i + 1, 1) == "\n") line++
      else { word = word substr(text, i + 1, 1); literal = 0 }
      i++
    } else if (c == "#" && word == "") {
      while (i < n && substr(text, i + 1, 1) != "\n") i++
    } else if (c == "'") {
      i = quote_end(i + 1, "'"); word = word "Q"; literal = 0
    } else if (c == "\"") {
      inq = 1; word = word "Q"; literal = 0
    } else if (substr(text, i, 3) == "$((" || (two == "((" && word == "")) {
      i = skip_parens(i + index(substr(text, i), "((") + 1, 2) - 1; word = word "N"; literal = 0
    } else if (two == "$(" || two == "<(" || two == ">(") {
      enter(); i++
    } else if (c == ")" && depth > 0 && open[depth] == 0) {
      leave()
    } else if (two == "[[" && word == "") {
      i = quote_end(i, "]]") + 1
    } else if (two == "${") {
      for (braces = 0; i <= n; i++) {
        d = substr(text, i, 1)
        if (d == "\\") i++
        else if (d == "{") braces++
        else if (d == "}" && --braces == 0) break
      }
      word = word "V"; literal = 0
    } else if (c == "$") {
      word = word "V"; literal = 0
    } else if (c == "(" && word ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=$/) {
      i = skip_parens(i + 1, 1) - 1; word = word "A"  # an array's values
    } else if (two == "()" && word ~ /^[A-Za-z_][A-Za-z0-9_:.-]*$/ && mode == "command") {
      emit("function", word); word = ""; literal = 1; i++
    } else if (c == "<" || c == ">") {
      redirection()
    } else if (two == ";;") {
      sep(";;"); i++
      if (substr(text, i + 1, 1) == "&") i++
    } else if (c ~ /[;|&()]/) {
      if (c == "(") open[depth]++
      if (c == ")") open[depth]--
      sep(c)
    } else if (c == " " || c == "\t") {
      word_end()
    } else {
      word = word c
    }
  }
  word_end()
}

# $(...) or <(...): the outer word and the parser's state are kept until it ends.
function enter() {
  depth++; kept_word[depth] = word; kept_mode[depth] = mode; kept_inq[depth] = inq
  open[depth] = 0; word = ""; literal = 1; inq = 0; mode = "command"
}
function leave() {
  word_end()
  word = kept_word[depth] "S"; literal = 0; mode = kept_mode[depth]; inq = kept_inq[depth]
  depth--
}
# A redirection at i: a file descriptor before it and its target after it are no command;
# a here-document's delimiter is noted.
function redirection(d, e) {
  if (word ~ /^[0-9]+$/) word = ""
  word_end()
  if (substr(text, i, 3) == "<<<") i += 2
  else if (substr(text, i, 2) == "<<") {
    i += 2
    if (substr(text, i, 1) == "-") i++
    match(substr(text, i), /^[ \t]*['"]?[A-Za-z_]+['"]?/)
    heredoc = substr(text, i, RLENGTH); gsub(/[ \t'"]/, "", heredoc)
    i += RLENGTH - 1
    return
  } else {
    while (substr(text, i + 1, 1) ~ /[<>&|]/) i++
  }
  while (substr(text, i + 1, 1) ~ /[ \t]/) i++
  for (; i < n; i++) {
    d = substr(text, i + 1, 1)
    if (d ~ /[ \t\n;|&)]/) break
    if (d == "\"" || d == "'") i = quote_end(i + 2, d) - 1
    if (substr(text, i + 1, 2) ~ /^[$<>]\($/) { i++; enter(); i++; return }
  }
}
