// jet4write <remedies.tsv> <out.mdb>
// Writes the remedy collection as a Jet 4.0 database. On any error it prints the reason,
// removes the output file and exits with status 1, so a build never keeps a damaged database.

#include "jet/error.h"
#include "jet/remedy_database.h"
#include "jet/remedy_tsv.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: jet4write <remedies.tsv> <out.mdb>\n";
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];
    try {
        jet::writeRemedyDatabaseFile(jet::readRemedyTsvFile(source), output);
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        std::cerr << "jet4write: " << source << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
