// CaptureFormatDialog: a list of the camera's formats with OK and Cancel.
#include "CaptureFormatDialog.h"

#include <cstdlib>

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

using namespace platform::media;

namespace {

const char* subtypeName(VideoSubtype s) {
    switch (s) {
        case VideoSubtype::YUY2:
            return "YUY2";
        case VideoSubtype::MJPG:
            return "MJPG";
        case VideoSubtype::RGB24:
            return "RGB24";
        case VideoSubtype::Other:
            break;
    }
    return "Other";
}

bool sameFormat(const VideoMediaType& a, const VideoMediaType& b) {
    return a.subtype == b.subtype && a.format.bmiHeader.biWidth == b.format.bmiHeader.biWidth &&
           std::abs(a.format.bmiHeader.biHeight) == std::abs(b.format.bmiHeader.biHeight) &&
           a.format.AvgTimePerFrame == b.format.AvgTimePerFrame;
}

}  // namespace

CaptureFormatDialog::CaptureFormatDialog(StreamConfig& config)
    : QDialog(nullptr), config_(config), list_(new QListWidget(this)) {
    setWindowTitle(QString());
    setModal(true);
    VideoMediaType current;
    const bool haveCurrent = platform::succeeded(config_.getFormat(current));
    for (int i = 0; i < config_.capabilityCount(); ++i) {
        VideoMediaType t;
        if (platform::failed(config_.getStreamCaps(i, t)) || t.subtype == VideoSubtype::Other) {
            continue;  // a format this program cannot show
        }
        types_.push_back(t);
        list_->addItem(describe(t));
        if (haveCurrent && sameFormat(t, current) && list_->currentRow() < 0) {
            list_->setCurrentRow(list_->count() - 1);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

QString CaptureFormatDialog::describe(const VideoMediaType& type) {
    const int64_t interval = type.format.AvgTimePerFrame;
    const double fps = interval > 0 ? 10000000.0 / static_cast<double>(interval) : 0.0;
    return QStringLiteral("%1 %2 x %3, %4 fps")
        .arg(QString::fromLatin1(subtypeName(type.subtype)))
        .arg(type.format.bmiHeader.biWidth)
        .arg(std::abs(type.format.bmiHeader.biHeight))
        .arg(fps, 0, 'g', 4);
}

void CaptureFormatDialog::accept() {
    const int row = list_->currentRow();
    if (row >= 0 && static_cast<size_t>(row) < types_.size()) {
        config_.setFormat(types_[static_cast<size_t>(row)]);
    }
    QDialog::accept();
}
