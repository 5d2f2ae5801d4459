// jet4write [--copies N] <remedies.tsv> <out.mdb>
// Writes the remedy collection as a Jet 4.0 database. On any error it prints the reason,
// removes the output file and exits with status 1, so a build never keeps a damaged database.
//
// --copies N writes the collection N times over, for measuring how the program copes with a
// larger one: copy k (from 0) numbers its rows k times the highest number further on and adds
// "-<k+1>" to the titles of copies after the first, so that numbers and titles stay distinct.

#include "jet/error.h"
#include "jet/remedy_database.h"
#include "jet/remedy_tsv.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::vector<jet::Remedy> repeated(const std::vector<jet::Remedy>& remedies, int copies) {
    std::int32_t highest = 0;
    for (const jet::Remedy& remedy : remedies)
        highest = std::max(highest, remedy.id);
    std::vector<jet::Remedy> result;
    result.reserve(remedies.size() * static_cast<size_t>(copies));
    for (int copy = 0; copy < copies; ++copy) {
        const std::u16string suffix =
            copy == 0 ? std::u16string() : jet::utf8ToUtf16("-" + std::to_string(copy + 1));
        for (jet::Remedy remedy : remedies) {
            remedy.id += copy * highest;
            remedy.title += suffix;
            result.push_back(std::move(remedy));
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    int copies = 1;
    if (arguments.size() == 4 && arguments[0] == "--copies") {
        copies = std::atoi(arguments[1].c_str());
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.size() != 2 || copies < 1) {
        std::cerr << "usage: jet4write [--copies N] <remedies.tsv> <out.mdb>\n";
        return 2;
    }
    const std::string& source = arguments[0];
    const std::string& output = arguments[1];
    try {
        jet::writeRemedyDatabaseFile(repeated(jet::readRemedyTsvFile(source), copies), output);
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        std::cerr << "jet4write: " << source << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
