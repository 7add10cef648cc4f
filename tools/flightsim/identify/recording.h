// A flight recording as identification reads it: the recorder's file (BRASK_REC_NNN.csv) or the
// flight simulator's own log (NAME.csv), which name the same quantities alike. Columns by name,
// one value a frame; comment lines ('#') and a last line without its line end (cut short by a full
// disk) are left out.
#pragma once

#include <istream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A file that is not a recording, or one whose frames do not hang together: what and where.
struct recording_error : std::runtime_error {
    recording_error(int line_number, const std::string& what) : std::runtime_error(what), line(line_number) {}
    int line;  // the file's line, 0 for the file as a whole
};

struct recording {
    std::map<std::string, std::vector<double>> columns;
    std::vector<int> lines;  // each frame's line in the file
    size_t frames() const { return lines.size(); }
    bool has(const std::string& name) const { return columns.count(name) != 0; }
    const std::vector<double>& operator[](const std::string& name) const { return columns.at(name); }
};

// The columns identification needs, with their units in their names.
extern const char* const required_columns[];

// A column's value as a whole number (a step's, a take's), towards zero; 0 for one that is not a
// number or lies beyond an int, which no step or take does.
int whole_number(double value);

// Reads the file; throws recording_error for a file that is not a recording: no header, a
// required column missing or a column named twice, a row of the wrong length or with a word that
// is not a number.
recording read_recording(const std::string& path);
// The same from a stream already open.
recording read_recording(std::istream& in);

// Throws recording_error, naming the line, for frames that do not hang together: time that does
// not advance or a frame interval far from the usual, heights that the vertical speed does not
// explain, a heading that the turn rate does not explain; and for a step of the card flown with the
// autopilot engaged, where the recording has an engaged column (its last take counts).
void check_recording(const recording& r);

// The share, 0 to 1, of the frames in which an axis column stood at one of its stops (aileron,
// elevator, rudder: full deflection one way; the collective: the lever down, or up), the stop it
// stood at longer: a control swept against both stops in turn was not one trimmed against one.
double share_at_a_stop(const recording& r, const std::string& axis_column, const std::vector<size_t>& frames);
