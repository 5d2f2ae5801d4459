#include "lookup/web_links.h"

#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace lookup {

namespace {

// The desktop's opener gets the link as one argument, exactly as built: going through QUrl would
// percent-encode spaces, non-ASCII characters and "%" in the version text.
void openWithDesktop(const QString& url) {
    QProcess::startDetached(u"xdg-open"_s, {url});
}

UrlOpener& currentOpener() {
    static UrlOpener opener = openWithDesktop;
    return opener;
}

} // namespace

QString homePageLink(const QString& version) {
    return u"http://www.dravena.example/?v=Vivazud"_s + version;
}

QString updatePageLink(const QString& version) {
    return u"http://update.dravena.example/?v=Vivazud"_s + version;
}

void setUrlOpener(UrlOpener opener) {
    currentOpener() = opener ? std::move(opener) : UrlOpener(openWithDesktop);
}

void openUrl(const QString& url) {
    currentOpener()(url);
}

} // namespace lookup
