#include "app/titles.h"

namespace app {

namespace {

constexpr qsizetype MaxShortTitle = 40;

QString &StoredShortTitle()
{
    static QString title;
    return title;
}

} // namespace

QString ShortTitleFor(const QString &displayTitle)
{
    QString title = displayTitle;
    do {
        const qsizetype blank = title.lastIndexOf(' ');
        if (blank < 0)
            break;
        title.truncate(blank);
    } while (title.size() > MaxShortTitle);
    return title;
}

void SetAppTitle()
{
    StoredShortTitle() = ShortTitleFor(QString::fromLatin1(DisplayTitle));
}

QString ShortTitle()
{
    if (StoredShortTitle().isEmpty())
        SetAppTitle();
    return StoredShortTitle();
}

} // namespace app
