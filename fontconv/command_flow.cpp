#include "fontconv/command_flow.h"

#include "fontconv/font_detection.h"
#include "fontconv/font_writer.h"

#include <array>
#include <fstream>
#include <string_view>
#include <system_error>

namespace zuvfntc {
namespace {

namespace fs = std::filesystem;

// Paths and typed words had 128-byte buffers; longer ones are refused, not cut.
constexpr std::size_t kMaxPathLength = 127;

constexpr std::string_view kUsageExamples = "            (eudc.euf, $sys1z24.fnt, userfont.fon, $extr.fnt)\n";
constexpr std::string_view kInputMissing = "\n　外字ファイルがありません。[%s]\n";
constexpr std::string_view kOverwrite = "\n　外字データ(%s)を上書きしますか (y/n) : ";
constexpr std::string_view kCannotCreate = "\n　外字ファイルを作成できません。[%s]\n";
constexpr std::string_view kConverted = "\n    %d 個の外字を変換しました。\n";
constexpr std::string_view kTableQuestion = "\n  変換テーブルを使用しますか(y/n) : ";
constexpr std::string_view kTablePrompt = "    ファイル名 : ";
constexpr std::string_view kTableMissing = "\n　  変換テーブルファイルがありません。[%s]\n";
constexpr std::string_view kCannotReopen = "\n　  外字ファイルを作成できません。[%s]\n";
constexpr std::string_view kCreated = "\n外字ファイル %s が作成されました。\n";

bool isOption(std::string_view arg) {
    return arg.starts_with("-d") || arg.starts_with("-c") || arg.starts_with("-e") || arg.starts_with("-7");
}

bool asksForUsage(std::string_view arg) {
    return arg.substr(0, 2).find('?') != std::string_view::npos;
}

int dotSizeOption(std::string_view arg) {
    char size = arg.size() > 2 ? arg[2] : '\0';
    return size == '3' ? 32 : size == '6' ? 64 : 24;
}

bool isYes(int c) {
    return c == 'y' || c == 'Y';
}

// Opens a regular file (or anything but a directory) for reading.
bool openForReading(std::ifstream& file, const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return false;
    }
    file.open(path, std::ios::binary);
    return file.is_open();
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

class Run {
public:
    Run(const std::vector<std::string>& args, Console& console, const RunEnvironment& environment)
        : m_args(args), m_console(console), m_workDir(environment.workDir) {}

    int execute();

private:
    fs::path resolve(const std::string& name) const { return m_workDir / name; }
    bool readOptions();
    int appendTableSection(const std::string& outputPath);

    const std::vector<std::string>& m_args;
    Console& m_console;
    fs::path m_workDir;
    ConvertOptions m_options;
};

bool Run::readOptions() {
    bool usage = m_args.empty();
    for (const std::string& arg : m_args) {
        std::string_view a = arg;
        if (a.starts_with("-d")) {
            m_options.dump = true;
        } else if (a.starts_with("-c")) {
            m_options.continuous = true;
        } else if (a.starts_with("-e")) {
            m_options.dotSize = dotSizeOption(a);
        } else if (a.starts_with("-7")) {
            m_options.alternative = true;
        }
        usage = usage || asksForUsage(a);
    }
    return !usage;
}

int Run::execute() {
    m_console.say("Font Conversion Program. Version 1.00\n");
    m_console.say("PALIVOX font file from an external-character font\n");
    if (!readOptions()) {
        m_console.say(" usage: zuvfntc fontfile \n");
        m_console.say("        ex. zuvfntc eudc.euf\n");
        if (!m_options.alternative) {
            m_console.say(kUsageExamples);
        }
        return 1;
    }

    const std::string& inputPath = m_args[0];
    const std::string fontName = m_options.alternative ? "r42fnt.fnt" : "zuvfnt.fnt";
    const std::string newName = m_options.alternative ? "r42fnt.new" : "zuvfnt.new";
    // A second argument naming a directory takes the place of a drive.
    fs::path outputDir;
    std::error_code error;
    if (m_args.size() > 1 && !isOption(m_args[1]) && fs::is_directory(resolve(m_args[1]), error)) {
        outputDir = m_args[1];
    }
    std::string outputPath = (outputDir / fontName).string();

    std::ifstream input;
    if (inputPath.size() > kMaxPathLength || !openForReading(input, resolve(inputPath))) {
        m_console.say(kInputMissing, inputPath);
        return 1;
    }
    std::array<char, 512> head{};
    input.read(head.data(), head.size());
    const bool reconversion =
        std::string_view(head.data(), static_cast<std::size_t>(input.gcount())).starts_with("PALIVOX");
    input.close();
    if (!openForReading(input, resolve(inputPath))) {
        m_console.say(kInputMissing, inputPath);
        return 1;
    }

    std::ifstream existing;
    if (openForReading(existing, resolve(outputPath))) {
        existing.close();
        m_console.say(kOverwrite, outputPath);
        if (!isYes(m_console.readChar())) {
            return 1;
        }
    }

    // A font converted onto itself is written beside it and renamed over it afterwards; so is
    // any input that is the output file, which would otherwise be emptied before it is read.
    // The new file stays in the output directory, so only the file asked about is replaced.
    const bool viaNewFile = reconversion || sameFile(resolve(inputPath), resolve(outputPath));
    const std::string writePath = viaNewFile ? (outputDir / newName).string() : outputPath;
    std::ofstream output(resolve(writePath), std::ios::binary | std::ios::trunc);
    if (!output.is_open()) {
        m_console.say(kCannotCreate, writePath);
        return 1;
    }

    FontWriter writer(output, m_options, m_console);
    convertFont(input, writer);
    output.close();
    input.close();
    if (output.fail()) {
        m_console.say(kCannotCreate, writePath);
        return 1;
    }
    if (viaNewFile) {
        fs::rename(resolve(writePath), resolve(outputPath), error);
        if (error) {
            m_console.say(kCannotCreate, outputPath);
            return 1;
        }
    }

    m_console.say(kConverted, std::to_string(writer.glyphCount()));
    if (writer.glyphCount() == 0) {
        return 0;
    }
    if (!m_options.alternative) {
        m_console.say(kTableQuestion);
        Word answer = m_console.readWord(kMaxPathLength);
        if (answer.tooLong) {
            m_console.say(kTableMissing, answer.text);
            return 1;
        }
        if (!answer.text.empty() && isYes(answer.text[0])) {
            int code = appendTableSection(outputPath);
            if (code != 0) {
                return code;
            }
        }
    }
    m_console.say(kCreated, fontName);
    return 0;
}

int Run::appendTableSection(const std::string& outputPath) {
    m_console.say(kTablePrompt);
    Word tablePath = m_console.readWord(kMaxPathLength);
    std::ifstream table;
    if (tablePath.tooLong || tablePath.text.empty() || !openForReading(table, resolve(tablePath.text))) {
        m_console.say(kTableMissing, tablePath.text);
        return 1;
    }
    std::ofstream output(resolve(outputPath), std::ios::binary | std::ios::app);
    if (!output.is_open()) {
        m_console.say(kCannotReopen, outputPath);
        return 1;
    }
    appendTable(table, output);
    output.close();
    if (output.fail()) {
        m_console.say(kCannotReopen, outputPath);
        return 1;
    }
    return 0;
}

} // namespace

int runConverter(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                 const RunEnvironment& environment) {
    Console console(in, out, environment.charset, environment.keyFd);
    Run run(args, console, environment);
    return run.execute();
}

} // namespace zuvfntc
