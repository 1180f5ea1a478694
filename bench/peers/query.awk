# Query by name: the records whose name is NAME (environment) byte for byte, numbered 1..k.
# The name comes through the environment, since awk -v would read escapes into its bytes.
BEGIN { name = ENVIRON["NAME"] "" }
function record() { if ($2 == name) print ++n " " $0 }
