#include "lookup/web_links.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace lookup {

namespace {

void openWithDesktop(const QString& url) {
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
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
