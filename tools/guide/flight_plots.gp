# The pilot's guide's two flight plots, from the tour's CSV logs (run in their folder):
#   gnuplot -e "out='DIR'; hover_on=T; handback_at=T" flight_plots.gp
# hover_on: when the autopilot was engaged in hover_gusts.csv; handback_at: when it was
# disengaged in handback.csv (both in seconds, read from the logs' engaged column).
set terminal pngcairo size 1000,900 font ",10" noenhanced
set datafile separator comma
set grid
set key top right horizontal font ",9"
set xlabel 'time, s'
held = "dt 2 lw 1.5"

# Engage and hold in a gusty hover: the first two minutes of hover_gusts.
set output out.'/hover_gusts_engage.png'
set xrange [0:120]
set arrow 1 from hover_on, graph 0 to hover_on, graph 1 nohead lw 2 lc rgb '#555555'
set multiplot layout 4,1 title 'Hover in moderate turbulence, 20 km/h wind: engaged at the grey line, then roll trim, heading and height hold'
set ylabel 'degrees'
set title 'bank (+ left wing down) and pitch (+ nose down); dashed: held'
plot 'hover_gusts.csv' using 'time_s':'bank_deg' with lines lw 1.5 lc rgb '#1f77b4' title 'bank', \
     '' using 'time_s':'bank_target' with lines @held lc rgb '#1f77b4' notitle, \
     '' using 'time_s':'pitch_deg' with lines lw 1.5 lc rgb '#d62728' title 'pitch', \
     '' using 'time_s':'pitch_target' with lines @held lc rgb '#d62728' notitle
set title 'heading; dashed: held'
plot 'hover_gusts.csv' using 'time_s':'heading_unwrapped_deg' with lines lw 1.5 lc rgb '#2ca02c' title 'heading', \
     '' using 'time_s':'heading_target_unwrapped' with lines @held lc rgb '#2ca02c' notitle
set ylabel 'metres'
set title 'height of the skids; dashed: held'
plot 'hover_gusts.csv' using 'time_s':'radio_height_m' with lines lw 1.5 lc rgb '#9467bd' title 'height', \
     '' using 'time_s':'height_target' with lines @held lc rgb '#9467bd' notitle
set ylabel 'axis units'
set title 'what the module sends (full deflection 16384)'
plot 'hover_gusts.csv' using 'time_s':'roll_cmd' with lines lc rgb '#1f77b4' title 'roll', \
     '' using 'time_s':'pitch_cmd' with lines lc rgb '#d62728' title 'pitch', \
     '' using 'time_s':'pedal_cmd' with lines lc rgb '#2ca02c' title 'pedals', \
     '' using 'time_s':(column('collective_cmd') - 8000) with lines lc rgb '#9467bd' title 'collective - 8000'
unset multiplot

# The hand-back: cruising with every hold, paused, then disengaged with the sticks where the
# deflection indicator showed the commands.
set output out.'/handback.png'
set terminal pngcairo size 1000,700 font ",10" noenhanced
set xrange [handback_at - 20:handback_at + 15]
set arrow 1 from handback_at, graph 0 to handback_at, graph 1 nohead lw 2 lc rgb '#555555'
set multiplot layout 3,1 title 'Hand-back in cruise: disengaged at the grey line with the sticks moved to the indicated commands'
set ylabel 'degrees'
set title 'bank (+ left wing down) and pitch (+ nose down)'
plot 'handback.csv' using 'time_s':'bank_deg' with lines lw 1.5 lc rgb '#1f77b4' title 'bank', \
     '' using 'time_s':'pitch_deg' with lines lw 1.5 lc rgb '#d62728' title 'pitch'
set ylabel 'axis units'
set title 'the helicopter''s controls: roll, pitch and pedals (full deflection 16384)'
set key bottom right
plot 'handback.csv' using 'time_s':'aileron' with lines lw 1.5 lc rgb '#1f77b4' title 'roll', \
     '' using 'time_s':'elevator' with lines lw 1.5 lc rgb '#d62728' title 'pitch', \
     '' using 'time_s':'rudder' with lines lw 1.5 lc rgb '#2ca02c' title 'pedals'
set title 'collective (0 lever down, 16384 up)'
plot 'handback.csv' using 'time_s':'collective' with lines lw 1.5 lc rgb '#9467bd' title 'collective'
unset multiplot
