#include "tools/flightsim/session/flight_plot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/flightsim/session/flight_report.h"

using flight_report::fixed;

void write_plot_script(const std::string& path, const std::string& name,
                       const std::vector<std::pair<double, double>>& engaged_periods,
                       const bool (&ever_held)[held_count])
{
    auto held_line = [&](held_quantity q, const char* column, const char* colour) {
        if (!ever_held[q]) return std::string();
        return std::string(", '' using 'time_s':(held('") + column + "')) with lines dt 2 lw 1.5 lc rgb '" + colour +
               "' notitle";
    };
    std::ofstream gp(path, std::ios::binary);
    const std::string csv = name + ".csv";
    gp << "# gnuplot script: " << name << ".png from " << csv << " (run it in the CSV's folder)\n"
       << "set terminal pngcairo size 1400,1700 font \",10\" noenhanced\n"
       << "set output '" << name << ".png'\n"
       << "set datafile separator comma\n"
       << "set key top right horizontal font \",9\"\n"
       << "set grid\n"
       << "set xlabel 'time, s'\n"
       << "held(c) = strlen(strcol(c)) == 0 ? NaN : column(c)  # an empty field: not held, the line breaks\n";
    int object = 1;
    for (const auto& [from, to] : engaged_periods)
        gp << "set object " << object++ << " rect from " << fixed(from, 3) << ", graph 0 to " << fixed(to, 3)
           << ", graph 1 behind fillcolor rgb '#dde8f7' fillstyle solid noborder\n";
    gp << "set multiplot layout 6,1 title '" << name << " (shaded: autopilot engaged)'\n"
       << "set ylabel 'degrees'\n"
       << "set title 'attitude: bank (+ left wing down), pitch (+ nose down); dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'bank_deg' with lines lw 1.5 lc rgb '#1f77b4' title 'bank'"
       << held_line(held_bank, "bank_target", "#1f77b4")
       << ", '' using 'time_s':'pitch_deg' with lines lw 1.5 lc rgb '#d62728' title 'pitch'"
       << held_line(held_pitch, "pitch_target", "#d62728") << "\n"
       << "set title 'magnetic heading; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'heading_unwrapped_deg' with lines lw 1.5 lc rgb '#2ca02c' title 'heading'"
       << held_line(held_heading, "heading_target_unwrapped", "#2ca02c") << "\n"
       << "set ylabel 'metres'\n"
       << "set title 'height: barometric altitude and radio height of the skids, ground elevation; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'altitude_m' with lines lw 1.5 lc rgb '#9467bd' title 'altitude', \\\n"
       << "     '' using 'time_s':'radio_height_m' with lines lw 1.5 lc rgb '#ff7f0e' title 'radio height', \\\n"
       << "     '' using 'time_s':'ground_m' with filledcurves y1=0 fs transparent solid 0.3 lc rgb '#8c564b' title 'ground'"
       << held_line(held_height, "height_target", "#000000") << "\n"
       << "set ylabel 'km/h'\n"
       << "set title 'indicated airspeed; dashed: held'\n"
       << "plot '" << csv << "' using 'time_s':'airspeed_kmh' with lines lw 1.5 lc rgb '#17becf' title 'airspeed'"
       << held_line(held_speed, "speed_target", "#17becf") << "\n"
       << "set ylabel 'axis units'\n"
       << "set title 'roll, pitch and pedal commands sent by the module (full deflection 16384)'\n"
       << "plot '" << csv << "' using 'time_s':'roll_cmd' with lines lc rgb '#1f77b4' title 'roll 65695', \\\n"
       << "     '' using 'time_s':'pitch_cmd' with lines lc rgb '#d62728' title 'pitch 65694', \\\n"
       << "     '' using 'time_s':'pedal_cmd' with lines lc rgb '#2ca02c' title 'pedals 65696'\n"
       << "set title 'collective command sent by the module (0 lever down, 16384 up)'\n"
       << "plot '" << csv << "' using 'time_s':'collective_cmd' with lines lc rgb '#9467bd' title 'collective 65697'\n"
       << "unset multiplot\n";
}

std::string draw_plot(const std::string& folder, const std::string& name)
{
#ifdef _WIN32
    const std::string command = "cd /d \"" + folder + "\" && gnuplot \"" + name + ".gp\" 2>NUL";
#else
    const std::string command = "cd '" + folder + "' && gnuplot '" + name + ".gp' 2>/dev/null";
#endif
    const bool drawn = std::system(command.c_str()) == 0;
    return (std::filesystem::path(folder) / (name + (drawn ? ".png" : ".gp"))).string();
}
