#pragma once

#include <QUrl>

namespace platform {

// Opens an address with the user's default handler (a browser for web pages).
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual bool open(const QUrl &url) = 0;
};

} // namespace platform
