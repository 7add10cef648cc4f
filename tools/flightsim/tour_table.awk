# The tour's table: one line per aircraft and scenario, each held quantity's RMS deviation with
# the scenario's bar in brackets, ** where it misses the bar, - where the quantity was not held.
# Input: the summary files (NAME.summary.txt) of the flights, each preceded by a line
# "aircraft TYPE" naming the aircraft that flew the ones after it.
BEGIN {
    split("bank pitch heading height speed", quantities, " ")
    printf "%-9s %-24s %-15s %-15s %-15s %-15s %-15s\n", "aircraft", "scenario", "bank deg", "pitch deg", "heading deg", "height m", "speed km/h"
}
function flush() {
    if (scenario == "") return
    printf "%-9s %-24s", type, scenario
    for (i = 1; i <= 5; ++i) printf " %-15s", (quantities[i] in cell) ? cell[quantities[i]] : "-"
    printf "\n"
    delete cell
    scenario = ""
}
$1 == "aircraft" && NF == 2 { flush(); type = $2; next }
/ s flown,/ { flush(); scenario = $1; sub(":", "", scenario); next }
$1 == "held" { next }
$1 ~ /^(bank|pitch|heading|height|speed)$/ {
    text = $5
    if ($7 != "-") text = text " (" $7 ")"
    if ($8 == "MISSES") text = "**" text "**"
    cell[$1] = text
}
END { flush() }
