// corvane-export: the archive's level-0 files of any period, made from Corvane's log files.
#include <iostream>

#include "ExportOptions.h"
#include "ExportRun.h"

int main(int argc, char** argv) {
    const ExportOptionsResult parsed = ParseExportOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::cout << ExportHelpText();
        return 0;
    }
    if (!parsed.options) {
        std::cerr << "corvane-export: " << parsed.error << "\nTry corvane-export --help\n";
        return 2;
    }
    return RunExport(*parsed.options, std::cout, std::cerr);
}
