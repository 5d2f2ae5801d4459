#include "assets/embedded_database.h"

#include "db/resources.h"

#include <cstddef>
#include <span>

// Bounds of the database bytes, placed by embedded_database.S.
extern "C" const std::byte vorlantix_remedy_database[];
extern "C" const std::byte vorlantix_remedy_database_end[];

void registerEmbeddedDatabase() {
    // Stored under capitalised names, as a resource directory keeps them; look-ups ignore case.
    db::registerResource(u"MDB", u"RESBUILD",
                         std::span(vorlantix_remedy_database, vorlantix_remedy_database_end));
}
