// A helicopter given as a published table of stability and control derivatives about one trimmed
// flight, in the table's own units: each acceleration is linear in the perturbations of the body
// velocities through the air, the body rates, the roll and pitch attitude and the four controls,
// exactly as the table has them. Between the pilot's controls and the table's inputs sits an
// actuator lag of first order (the aircraft's actuator_lag), which such a file must give.
#pragma once

#include <array>
#include <string>

// Rows: the table's accelerations, X Y Z per unit mass along the body axes, L M N per unit inertia
// about them. Columns: the perturbations it is linear in.
constexpr int table_rows = 6;
constexpr int table_states = 8;    // u v w p q r phi theta
constexpr int table_controls = 4;  // collective longitudinal lateral pedal, in control_inputs' order

constexpr const char* table_row_names[table_rows] = {"X", "Y", "Z", "L", "M", "N"};
constexpr const char* table_state_names[table_states] = {"u", "v", "w", "p", "q", "r", "phi", "theta"};
constexpr const char* table_control_names[table_controls] = {"collective", "longitudinal", "lateral", "pedal"};

struct derivative_table {
    bool given = false;
    // The published numbers: row X and column u is the file's line "X_u VALUE".
    std::array<std::array<double, table_states>, table_rows> by_state{};
    std::array<std::array<double, table_controls>, table_rows> by_control{};
    // +1 where the table's input moves as our control does (lever up, stick forward, stick right,
    // right pedal), -1 where it moves the other way.
    std::array<double, table_controls> sense{};
    double trim_phi = 0.0, trim_theta = 0.0;  // rad, the attitude the table was taken about
    double reference_collective = 0.0;        // lever fraction at the table's trim, stick and pedals centred
    double length_unit = 1.0;                 // m per the table's unit of length (0.3048: feet)
    double control_unit = 1.0;                // rad per the table's unit of control (degrees: pi / 180)
};

// The file's name of a table entry: "X_u", "N_pedal".
inline std::string table_entry_name(int row, const char* column)
{
    return std::string(table_row_names[row]) + "_" + column;
}
