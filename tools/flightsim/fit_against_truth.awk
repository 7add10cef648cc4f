# Two judgements of `flightsim tune --judge` on the same aircraft side by side: gains tuned on the
# aircraft itself (the first file) and gains tuned on a file fitted to its recording (the second).
# Prints each held-out flight's RMS deviation and each loop's margins under both, and the fit's
# held-out RMS as a share of the truth's (the bar: within 1.10).
# Usage: awk -f fit_against_truth.awk JUDGED_TRUTH JUDGED_FIT
FNR == 1 { which = (NR == 1) ? "truth" : "fit"; section = "" }
/^Held-out flights/ { section = "held"; next }
/^Stability margins/ { section = "margins"; next }
/^Chatter|^Gains:/ { section = "" }
section == "held" && /\(/ {
    if (NF == 7) { scenario = $1; held = $2; value = $6 } else { held = $1; value = $5 }
    key = scenario " " held
    if (which == "truth") { order[++count] = key; name[key] = scenario; quantity[key] = held }
    rms[which, key] = value
}
section == "margins" && ($1 == "hover" || $1 == "cruise") {
    condition = ($1 == "hover") ? "hover" : "cruise"
    loop = ($1 == "hover") ? $2 : $4
    rest = ($1 == "hover") ? 3 : 5
    gain = ($(rest) == "relay") ? "relay" : $(rest + 2) " dB"
    phase_at = ($(rest) == "relay") ? rest + 4 : rest + 6
    phase = ($(phase_at) == "none") ? "none" : $(phase_at) " deg"
    margin_key = condition " " loop
    if (which == "truth") margin_order[++margins] = margin_key
    margin[which, margin_key] = gain ", " phase
}
END {
    printf "%-28s %-8s %14s %14s %8s\n", "held-out flight", "held", "truth-tuned", "fit-tuned", "fit/truth"
    for (i = 1; i <= count; ++i) {
        key = order[i]
        ratio = (rms["truth", key] > 0) ? sprintf("%.2f", rms["fit", key] / rms["truth", key]) : "-"
        printf "%-28s %-8s %14s %14s %8s\n", name[key], quantity[key], rms["truth", key], rms["fit", key], ratio
    }
    printf "\n%-24s %-26s %-26s\n", "loop", "truth-tuned: GM, PM", "fit-tuned: GM, PM"
    for (i = 1; i <= margins; ++i) {
        key = margin_order[i]
        printf "%-24s %-26s %-26s\n", key, margin["truth", key], margin["fit", key]
    }
}
