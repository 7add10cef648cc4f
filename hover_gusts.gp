# gnuplot script: hover_gusts.png from hover_gusts.csv (run it in the CSV's folder)
set terminal pngcairo size 1400,1700 font ",10" noenhanced
set output 'hover_gusts.png'
set datafile separator comma
set key top right horizontal font ",9"
set grid
set xlabel 'time, s'
held(c) = strlen(strcol(c)) == 0 ? NaN : column(c)  # an empty field: not held, the line breaks
set object 1 rect from 5.000, graph 0 to 304.947, graph 1 behind fillcolor rgb '#dde8f7' fillstyle solid noborder
set multiplot layout 6,1 title 'hover_gusts (shaded: autopilot engaged)'
set ylabel 'degrees'
set title 'attitude: bank (+ left wing down), pitch (+ nose down); dashed: held'
plot 'hover_gusts.csv' using 'time_s':'bank_deg' with lines lw 1.5 lc rgb '#1f77b4' title 'bank', '' using 'time_s':(held('bank_target')) with lines dt 2 lw 1.5 lc rgb '#1f77b4' notitle, '' using 'time_s':'pitch_deg' with lines lw 1.5 lc rgb '#d62728' title 'pitch', '' using 'time_s':(held('pitch_target')) with lines dt 2 lw 1.5 lc rgb '#d62728' notitle
set title 'magnetic heading; dashed: held'
plot 'hover_gusts.csv' using 'time_s':'heading_unwrapped_deg' with lines lw 1.5 lc rgb '#2ca02c' title 'heading', '' using 'time_s':(held('heading_target_unwrapped')) with lines dt 2 lw 1.5 lc rgb '#2ca02c' notitle
set ylabel 'metres'
set title 'height: barometric altitude and radio height of the skids, ground elevation; dashed: held'
plot 'hover_gusts.csv' using 'time_s':'altitude_m' with lines lw 1.5 lc rgb '#9467bd' title 'altitude', \
     '' using 'time_s':'radio_height_m' with lines lw 1.5 lc rgb '#ff7f0e' title 'radio height', \
     '' using 'time_s':'ground_m' with filledcurves y1=0 fs transparent solid 0.3 lc rgb '#8c564b' title 'ground', '' using 'time_s':(held('height_target')) with lines dt 2 lw 1.5 lc rgb '#000000' notitle
set ylabel 'km/h'
set title 'indicated airspeed; dashed: held'
plot 'hover_gusts.csv' using 'time_s':'airspeed_kmh' with lines lw 1.5 lc rgb '#17becf' title 'airspeed'
set ylabel 'axis units'
set title 'roll, pitch and pedal commands sent by the module (full deflection 16384)'
plot 'hover_gusts.csv' using 'time_s':'roll_cmd' with lines lc rgb '#1f77b4' title 'roll 65695', \
     '' using 'time_s':'pitch_cmd' with lines lc rgb '#d62728' title 'pitch 65694', \
     '' using 'time_s':'pedal_cmd' with lines lc rgb '#2ca02c' title 'pedals 65696'
set title 'collective command sent by the module (0 lever down, 16384 up)'
plot 'hover_gusts.csv' using 'time_s':'collective_cmd' with lines lc rgb '#9467bd' title 'collective 65697'
unset multiplot
