#pragma once

#include <stdexcept>

namespace db {

// Every failure of the engine: a file it cannot open or read, a statement it cannot run, an
// operation on a closed record set. what() is UTF-8 and is shown to the user as it stands.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace db
