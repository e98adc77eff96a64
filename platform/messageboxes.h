#pragma once

#include <QString>

namespace platform {

// Modal message boxes. Texts are passed exactly as composed (CR LF, CR CR);
// an implementation may adapt line breaks only for display.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // OK button, no icon.
    virtual void inform(const QString &title, const QString &text) = 0;
    // OK button, no icon, with a secondary text under the main one.
    virtual void informWithDetail(const QString &title, const QString &text,
                                  const QString &detail) = 0;
    // Yes and No buttons; true for Yes.
    virtual bool ask(const QString &title, const QString &text) = 0;
    // OK button, exclamation icon.
    virtual void warn(const QString &title, const QString &text) = 0;
};

} // namespace platform
