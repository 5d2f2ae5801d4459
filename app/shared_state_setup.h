#pragma once

#include <QByteArray>

namespace app::detail {

// Runs first, while the process has its one thread, and does there what Qt's application object
// would otherwise do to what all threads share while other threads run (the font worker, Qt's X
// event reader): it sets the locale from the environment, as Qt's application object does (Qt's
// own call then finds it done and changes nothing), and takes the launcher's startup notification
// id out of the environment, which Qt's X platform removes after it has started reading X events
// on a thread of its own.
class SharedStateSetUp {
protected:
    SharedStateSetUp();

    // Hands the id to Qt's X platform, once the application object is made and before the first
    // window shows: the first window shown then ends the launcher's startup notification, as Qt
    // does with the id it reads itself. Elsewhere the id means nothing and is dropped.
    void handOverStartupId() const;

private:
    QByteArray startupId_;
};

} // namespace app::detail
