#include "tools/common/command_line.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>

namespace {

constexpr size_t option_column = 19;  // where an option's help starts in the usage

std::string indented(const std::string& text, const std::string& indent)
{
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) out += (line.empty() ? "" : indent + line) + "\n";
    return out;
}

const command_option* find_option(const tool_command& command, const std::string& name)
{
    const auto found = std::find_if(command.options.begin(), command.options.end(),
                                    [&](const command_option& o) { return o.name == name; });
    return found == command.options.end() ? nullptr : &*found;
}

}  // namespace

std::string command_args::text(const std::string& name, const std::string& otherwise) const
{
    const auto found = values_.find(name);
    return found == values_.end() ? otherwise : found->second;
}

namespace {

int number_base(const std::string& value)
{
    return value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0 ? 16 : 10;
}

void check_value(const command_option& option, const std::string& value)
{
    if (!option.choices.empty()) {
        if (std::find(option.choices.begin(), option.choices.end(), value) != option.choices.end()) return;
        std::string choices;
        for (size_t i = 0; i < option.choices.size(); ++i)
            choices += (i == 0 ? "" : i + 1 == option.choices.size() ? " or " : ", ") + option.choices[i];
        throw command_line_error(option.name + " takes " + choices + ", not '" + value + "'");
    }
    if (option.low > option.high) return;
    char* end = nullptr;
    const long long number = std::strtoll(value.c_str(), &end, number_base(value));
    if (value.empty() || *end != '\0' || number < option.low || number > option.high)
        throw command_line_error(option.name + " takes a whole number from " + std::to_string(option.low) + " to " +
                                 std::to_string(option.high) + ", not '" + value + "'");
}

}  // namespace

long long command_args::whole(const std::string& name, long long otherwise) const
{
    const auto found = values_.find(name);
    return found == values_.end() ? otherwise : std::strtoll(found->second.c_str(), nullptr, number_base(found->second));
}

command_args parse_command_line(const tool_command& command, const std::vector<std::string>& arguments)
{
    command_args args;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            args.words_.push_back(argument);
            continue;
        }
        const command_option* option = find_option(command, argument);
        if (option == nullptr) throw command_line_error("unknown option '" + argument + "'");
        if (args.has(argument)) throw command_line_error(argument + " given twice");
        if (!option->value.empty() && i + 1 >= arguments.size())
            throw command_line_error(argument + " needs a value (" + option->value + ")");
        args.values_[argument] = option->value.empty() ? "" : arguments[++i];
        check_value(*option, args.values_[argument]);
    }
    if (args.words_.size() < command.least_words || args.words_.size() > command.most_words) {
        if (command.most_words == 0) throw command_line_error("unexpected argument '" + args.words_.front() + "'");
        if (args.words_.size() > command.most_words)
            throw command_line_error("unexpected argument '" + args.words_[command.most_words] + "'");
        throw command_line_error("needs " + command.words);
    }
    return args;
}

std::string usage_line(const std::string& tool, const tool_command& command)
{
    std::string line = "usage: " + tool + (command.name.empty() ? "" : " " + command.name);
    for (const command_option& o : command.options) {
        line.append(" [").append(o.name);
        if (!o.value.empty()) line.append(" ").append(o.value);
        line.append("]");
    }
    if (!command.words.empty()) line.append(" ").append(command.words);
    return line + "\n";
}

std::string command_usage(const std::string& tool, const tool_command& command)
{
    std::string text = usage_line(tool, command);
    if (!command.description.empty()) text.append("\n").append(indented(command.description, "  "));
    if (!command.options.empty()) text += "\n";
    for (const command_option& o : command.options) {
        std::string head = "  " + o.name + (o.value.empty() ? "" : " " + o.value);
        std::istringstream lines(o.help);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            if (first && head.size() + 2 <= option_column) text += head + std::string(option_column - head.size(), ' ') + line + "\n";
            else if (first) text += head + "\n" + std::string(option_column, ' ') + line + "\n";
            else text += std::string(option_column, ' ') + line + "\n";
            first = false;
        }
    }
    if (!command.exit_status.empty()) text.append("\n").append(command.exit_status);
    return text;
}

int run_tool_command(const std::string& tool, const tool_command& command, const std::vector<std::string>& arguments,
                     std::ostream& out, std::ostream& err)
{
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end() ||
        std::find(arguments.begin(), arguments.end(), "-h") != arguments.end()) {
        out << command_usage(tool, command);
        return 0;
    }
    command_args args;
    try {
        args = parse_command_line(command, arguments);
        return command.run(args);
    } catch (const command_line_error& error) {
        const std::string who = tool + (command.name.empty() ? "" : " " + command.name);
        err << who << ": " << error.what() << "\n" << usage_line(tool, command) << "(" << who << " --help says more)\n";
        return 2;
    }
}

std::string tool_usage(const std::string& tool, const std::string& about, const std::vector<tool_command>& commands)
{
    std::string text;
    for (size_t i = 0; i < commands.size(); ++i) {
        const std::string line = usage_line(tool, commands[i]);
        text.append(i == 0 ? "" : "       ").append(line, i == 0 ? 0 : 7, std::string::npos);
    }
    text.append("\n").append(indented(about, ""));
    text += "\n";
    for (const tool_command& c : commands)
        text += "  " + c.name + std::string(c.name.size() + 2 < option_column ? option_column - c.name.size() - 2 : 1, ' ') +
                c.summary + "\n";
    text += "\n'" + tool + " COMMAND --help' says more of each.\n";
    return text;
}

int run_tool(const std::string& tool, const std::string& about, const std::vector<tool_command>& commands, int argc,
             char** argv)
{
    const std::string word = argc > 1 ? argv[1] : "";
    if (word == "--help" || word == "-h") {
        std::cout << tool_usage(tool, about, commands);
        return 0;
    }
    const auto found = std::find_if(commands.begin(), commands.end(), [&](const tool_command& c) { return c.name == word; });
    if (found == commands.end()) {
        std::cerr << tool << ": " << (word.empty() ? "no command given" : "unknown command '" + word + "'") << "\n"
                  << tool_usage(tool, about, commands);
        return 2;
    }
    return run_tool_command(tool, *found, std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
}
