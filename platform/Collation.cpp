// QCollator-backed comparison with a byte-order tie-break so that distinct names never tie.
#include "Collation.h"

#include <QCollator>
#include <QString>

namespace platform {

int compareTextNoCase(const std::string& a, const std::string& b) {
    // One collator per thread: QCollator is not safe to share and costly to create.
    thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int r = collator.compare(QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size())),
                                   QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
    if (r != 0) {
        return r;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace platform
