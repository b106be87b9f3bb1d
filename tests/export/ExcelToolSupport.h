#pragma once
// Outside readers of worksheet files for the tests: python3-xlrd and LibreOffice headless.

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// Runs a shell command and returns what it printed; `ok` tells whether it ended with status 0.
inline std::string RunExcelTool(const std::string& command, bool& ok)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ok = false;
        return output;
    }
    std::array<char, 4096> buffer{};
    size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), read);
    ok = ::pclose(pipe) == 0;
    return output;
}

inline bool ExcelToolAvailable(const std::string& command)
{
    bool ok = false;
    RunExcelTool(command + " >/dev/null 2>&1", ok);
    return ok;
}

inline std::string QuoteForShell(const std::string& text) { return "'" + text + "'"; }

// A folder of its own for one test, removed at the end.
class TExcelTempFolder {
public:
    explicit TExcelTempFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / ("zv_excel_" + name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TExcelTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TExcelTempFolder(const TExcelTempFolder&) = delete;
    TExcelTempFolder& operator=(const TExcelTempFolder&) = delete;
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadWholeFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Every cell of the first sheet as "row,column,type,value" lines (zero-based; xlrd's cell types:
// 0 empty, 1 text, 2 number, 4 Boolean, 5 error; values as Python writes them). Text cells are
// read as cp1252 and printed as UTF-8.
inline std::string ReadWithXlrd(const std::string& fileName)
{
    const std::string script =
        "import sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1], encoding_override='cp1252', logfile=open('/dev/null', 'w'))\n"
        "sheet = book.sheet_by_index(0)\n"
        "out = []\n"
        "for r in range(sheet.nrows):\n"
        "    for c in range(sheet.ncols):\n"
        "        cell = sheet.cell(r, c)\n"
        "        value = repr(cell.value) if cell.ctype in (1, 2) else str(int(cell.value)) if cell.ctype in (4, 5) else \"''\"\n"
        "        out.append('%d,%d,%d,%s\\n' % (r, c, cell.ctype, value))\n"
        "sys.stdout.buffer.write(''.join(out).encode('utf-8'))\n";
    const std::string scriptName = fileName + ".py";
    std::ofstream(scriptName, std::ios::binary) << script;
    bool ok = false;
    std::string output = RunExcelTool("/usr/bin/python3 " + QuoteForShell(scriptName) + " " + QuoteForShell(fileName) + " 2>&1", ok);
    if (!ok)
        return "xlrd failed: " + output;
    return output;
}

// Converts the files to CSV (comma, double quotes, UTF-8) in one LibreOffice run with a private
// profile, and returns the CSV texts in the order of the files.
inline std::vector<std::string> ConvertWithLibreOffice(const TExcelTempFolder& folder, const std::vector<std::string>& fileNames)
{
    const std::string outDir = folder.Path() + "/csv";
    std::string command = "cd " + QuoteForShell(folder.Path()) + " && HOME=" + QuoteForShell(folder.Path()) +
                          " timeout 300 soffice --headless --norestore -env:UserInstallation=file://" + folder.Path() +
                          "/profile --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir " + QuoteForShell(outDir);
    for (const std::string& name : fileNames)
        command += " " + QuoteForShell(name);
    bool ok = false;
    const std::string log = RunExcelTool(command + " 2>&1", ok);
    std::vector<std::string> texts;
    for (const std::string& name : fileNames) {
        const std::filesystem::path csv = std::filesystem::path(outDir) / std::filesystem::path(name).stem().concat(".csv");
        if (!std::filesystem::exists(csv))
            throw std::runtime_error("LibreOffice wrote no " + csv.string() + ":\n" + log);
        texts.push_back(ReadWholeFile(csv.string()));
    }
    return texts;
}

// Lines of a CSV text without their line ends (no line breaks inside the fields we write).
inline std::vector<std::string> SplitCsvLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
