#include "fontconv/command_flow.h"

#include "fontconv/font_detection.h"
#include "fontconv/font_writer.h"
#include "fontconv/input_file.h"
#include "fontconv/replacing_file.h"

#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <sys/stat.h>

namespace zuvfntc {
namespace {

namespace fs = std::filesystem;

// Paths and typed words had 128-byte buffers; longer ones are refused, not cut.
constexpr std::size_t kMaxPathLength = 127;

constexpr std::string_view kUsageExamples = "            (eudc.euf, $sys1z24.fnt, userfont.fon, $extr.fnt)\n";
constexpr std::string_view kInputMissing = "\n　外字ファイルがありません。[%s]\n";
constexpr std::string_view kOverwrite = "\n　外字データ(%s)を上書きしますか (y/n) : ";
constexpr std::string_view kNoOutputFolder = "\n　出力先のフォルダがありません。[%s]\n";
constexpr std::string_view kCannotCreate = "\n　外字ファイルを作成できません。[%s]\n";
constexpr std::string_view kConverted = "\n    %d 個の外字を変換しました。\n";
constexpr std::string_view kTableQuestion = "\n  変換テーブルを使用しますか(y/n) : ";
constexpr std::string_view kTablePrompt = "    ファイル名 : ";
constexpr std::string_view kTableMissing = "\n　  変換テーブルファイルがありません。[%s]\n";
constexpr std::string_view kCannotReopen = "\n　  外字ファイルを作成できません。[%s]\n";
constexpr std::string_view kCreated = "\n外字ファイル %s が作成されました。\n";

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

// A name is taken when anything has it, a dangling link included; whether it can be read does not
// matter.
bool nameTaken(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::optional<FileIdentity> identityOf(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
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
    // A second argument that is no option names the output folder, where a drive was named; one
    // that is no folder is refused rather than the font put elsewhere.
    fs::path outputDir;
    if (m_args.size() > 1 && !m_args[1].starts_with('-')) {
        std::error_code error;
        if (!fs::is_directory(resolve(m_args[1]), error)) {
            m_console.say(kNoOutputFolder, m_args[1]);
            return 1;
        }
        outputDir = m_args[1];
    }
    const std::string outputPath = (outputDir / fontName).string();

    std::unique_ptr<InputFile> input;
    if (inputPath.size() <= kMaxPathLength) {
        input = InputFile::open(resolve(inputPath));
    }
    if (!input) {
        m_console.say(kInputMissing, inputPath);
        return 1;
    }

    if (nameTaken(resolve(outputPath))) {
        m_console.say(kOverwrite, outputPath);
        if (!isYes(m_console.readChar())) {
            return 1;
        }
    }

    // Written beside the output under a name of its own and renamed over it when complete, so
    // an input that is the output (a font converted onto itself) is read whole first.
    std::unique_ptr<ReplacingFile> output = ReplacingFile::create(resolve(outputPath));
    if (!output) {
        m_console.say(kCannotCreate, outputPath);
        return 1;
    }
    FontWriter writer(output->stream(), m_options, m_console);
    // A failing disk or an unreadable file is no short font: the old output stays.
    if (!convertFont(input->stream(), writer)) {
        m_console.say(kInputMissing, inputPath);
        return 1;
    }
    input.reset();
    if (!output->commit()) {
        m_console.say(kCannotCreate, outputPath);
        return 1;
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

// The table section goes into a copy of the font that replaces it when complete; the font
// without the section stays when the table file is refused.
int Run::appendTableSection(const std::string& outputPath) {
    m_console.say(kTablePrompt);
    Word tablePath = m_console.readWord(kMaxPathLength);
    std::unique_ptr<InputFile> table;
    if (!tablePath.tooLong && !tablePath.text.empty()) {
        table = InputFile::open(resolve(tablePath.text));
    }
    // The output as its own table would be read while it grows.
    if (!table || table->identity() == identityOf(resolve(outputPath))) {
        m_console.say(kTableMissing, tablePath.text);
        return 1;
    }
    std::unique_ptr<InputFile> font = InputFile::open(resolve(outputPath));
    std::unique_ptr<ReplacingFile> output = font ? ReplacingFile::create(resolve(outputPath)) : nullptr;
    if (!output) {
        m_console.say(kCannotReopen, outputPath);
        return 1;
    }
    output->stream() << font->stream().rdbuf();
    appendTable(table->stream(), output->stream());
    if (table->stream().bad()) {
        m_console.say(kTableMissing, tablePath.text);
        return 1;
    }
    if (font->stream().bad() || !output->commit()) {
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
