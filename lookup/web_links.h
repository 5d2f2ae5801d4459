#pragma once

#include <QString>

#include <functional>

namespace lookup {

// Links to the maker's pages. The version text goes in as the user left it in the version box:
// not trimmed, not escaped.
QString homePageLink(const QString& version);   // http://www.dravena.example/?v=Vivazud<version>
QString updatePageLink(const QString& version); // http://update.dravena.example/?v=Vivazud<version>

// Whatever hands a link to the desktop. Tests install one that records; an empty opener puts
// back the default, which passes the link unchanged to the desktop's opener, xdg-open, for the
// default browser.
using UrlOpener = std::function<void(const QString& url)>;
void setUrlOpener(UrlOpener opener);

// Hands the link to the current opener once. Whether the desktop could open it is not examined.
void openUrl(const QString& url);

} // namespace lookup
