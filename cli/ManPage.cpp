#include "ManPage.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace tulo::cli {

namespace {

// Text as roff shows it: a backslash doubled, a minus sign that stays one in copies and searches, and a
// line that would start with a control character kept as text.
std::string Roff(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool Hidden(const CLI::Option* option) {
    return option->get_group().empty();
}

bool IsFlag(const CLI::Option* option) {
    return option->get_items_expected_max() == 0;
}

// "--sets", or "-h, --help" with every spelling.
std::string Names(const CLI::Option* option) {
    std::string names;
    for (const std::string& s : option->get_snames()) names += (names.empty() ? "" : ", ") + ("-" + s);
    for (const std::string& l : option->get_lnames()) names += (names.empty() ? "" : ", ") + ("--" + l);
    return names;
}

std::string Value(const CLI::Option* option) {
    std::string type = option->get_type_name();
    if (type.empty()) type = "VALUE";
    return option->get_items_expected_max() > 1 ? type + " ..." : type;
}

struct Command {
    std::string path; // "crop export"
    const CLI::App* app;
};

void Collect(const CLI::App* app, const std::string& prefix, std::vector<Command>& commands) {
    for (const CLI::App* sub : app->get_subcommands([](const CLI::App*) { return true; })) {
        const std::string path = prefix.empty() ? sub->get_name() : prefix + " " + sub->get_name();
        const auto children = sub->get_subcommands([](const CLI::App*) { return true; });
        if (children.empty())
            commands.push_back({path, sub});
        else
            Collect(sub, path, commands);
    }
}

std::vector<const CLI::Option*> Visible(const CLI::App* app) {
    std::vector<const CLI::Option*> options;
    for (const CLI::Option* option : app->get_options())
        if (!Hidden(option) && option->get_name() != "--help") options.push_back(option);
    return options;
}

// The groups of options besides the default ones that more than one command carries: listed once.
std::vector<std::string> SharedGroups(const std::vector<Command>& commands) {
    std::map<std::string, int> uses;
    std::vector<std::string> order;
    for (const Command& command : commands) {
        std::vector<std::string> seen;
        for (const CLI::Option* option : Visible(command.app)) {
            const std::string& group = option->get_group();
            if (option->get_positional() || group == "Options" ||
                std::find(seen.begin(), seen.end(), group) != seen.end())
                continue;
            seen.push_back(group);
            if (uses[group]++ == 0) order.push_back(group);
        }
    }
    std::erase_if(order, [&uses](const std::string& group) { return uses[group] < 2; });
    return order;
}

bool Shared(const std::vector<std::string>& groups, const std::string& group) {
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

void WriteOption(const CLI::Option* option, std::ostream& out) {
    out << ".TP\n";
    if (option->get_positional())
        out << ".I " << Roff(Upper(option->get_name())) << "\n";
    else if (IsFlag(option))
        out << ".B " << Roff(Names(option)) << "\n";
    else
        out << ".BI \"" << Roff(Names(option)) << " \" " << Roff(Value(option)) << "\n";
    std::string text = option->get_description();
    std::vector<std::string> notes;
    if (option->get_required()) notes.push_back("required");
    for (const CLI::Option* needed : option->get_needs()) notes.push_back("with " + needed->get_name());
    for (const CLI::Option* excluded : option->get_excludes())
        notes.push_back("not with " + excluded->get_name());
    if (!notes.empty()) {
        std::string joined;
        for (const std::string& note : notes) joined += (joined.empty() ? "" : ", ") + note;
        text += (text.empty() ? "(" : " (") + joined + ")";
    }
    out << Roff(text) << "\n";
}

void WriteSynopsis(const std::vector<Command>& commands, const std::string& program, std::ostream& out) {
    bool first = true;
    for (const Command& command : commands) {
        if (!first) out << ".br\n";
        first = false;
        out << ".B " << Roff(program + " " + command.path) << "\n";
        bool optional = false;
        for (const CLI::Option* option : Visible(command.app)) {
            if (option->get_positional())
                out << (option->get_required() ? ".I " : ".RI [ ") << Roff(Upper(option->get_name()))
                    << (option->get_items_expected_max() > 1 ? " ..." : "")
                    << (option->get_required() ? "\n" : " ]\n");
            else if (option->get_required())
                out << ".B " << Roff(option->get_name()) << "\n.I " << Roff(Value(option)) << "\n";
            else
                optional = true;
        }
        if (optional) out << ".RI [ OPTIONS ]\n";
    }
}

void WriteCommands(const std::vector<Command>& commands, const std::vector<std::string>& shared,
                   const std::string& program, std::ostream& out) {
    for (const Command& command : commands) {
        out << ".SS \"" << Roff(program + " " + command.path) << "\"\n";
        out << Roff(command.app->get_description()) << "\n";
        std::vector<std::string> named;
        for (const CLI::Option* option : Visible(command.app)) {
            const std::string& group = option->get_group();
            const bool inShared = !option->get_positional() && Shared(shared, group);
            // A shared option this command requires is listed here too, where its reader looks.
            if (!inShared || option->get_required()) WriteOption(option, out);
            if (inShared && std::find(named.begin(), named.end(), group) == named.end())
                named.push_back(group);
        }
        for (const std::string& group : named)
            out << ".PP\nAnd the options of\n.BR \"" << Roff(Upper(group)) << "\" .\n";
    }
    // Each shared group once, from the first command that carries it.
    for (const std::string& group : shared) {
        out << ".SH \"" << Roff(Upper(group)) << "\"\n";
        for (const Command& command : commands) {
            bool found = false;
            for (const CLI::Option* option : Visible(command.app))
                if (!option->get_positional() && option->get_group() == group) {
                    WriteOption(option, out);
                    found = true;
                }
            if (found) break;
        }
    }
}

} // namespace

void WriteManPage(const CLI::App& app, std::istream& frame, std::ostream& out) {
    std::vector<Command> commands;
    Collect(&app, "", commands);
    const std::vector<std::string> shared = SharedGroups(commands);
    const std::string program = "tulo-cli";
    for (std::string line; std::getline(frame, line);) {
        if (line == "@SYNOPSIS@")
            WriteSynopsis(commands, program, out);
        else if (line == "@COMMANDS@")
            WriteCommands(commands, shared, program, out);
        else
            out << line << '\n';
    }
}

} // namespace tulo::cli
