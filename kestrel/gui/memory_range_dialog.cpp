#include "kestrel/gui/memory_range_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

#include "kestrel/gui/memory_files.h"
#include "kestrel/gui/number_field.h"
#include "kestrel/gui/platform.h"
#include "kestrel/gui/ui_support.h"

namespace kestrel {

QString QtFileFilter(const QString& filter) {
    const int bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) return filter;
    QString label = filter.left(bar).trimmed();
    const QStringList patterns = filter.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    static const QRegularExpression trailingList(QStringLiteral("\\s*\\([^()]*\\)$"));
    label.remove(trailingList);
    return label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString ImageFileStartDirectory() { return QDir::currentPath(); }

MemoryRangeDialog::MemoryRangeDialog(Mode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    SetUpToolDialog(this, platform::WindowTitle(QStringLiteral("Load/Save BIN file")), 680, 110,
                    240, 125);
    setObjectName(QStringLiteral("memoryRangeDialog"));
    MakeCentredLabel(this, QStringLiteral("Base Address"), 20, 8, 80, 20);
    MakeCentredLabel(this, QStringLiteral("Byte Count"), 140, 8, 80, 20);
    baseField_ = MakeNumberField(this, 20, 25, 80, 20, QStringLiteral("rangeBase"));
    countField_ = MakeNumberField(this, 140, 25, 80, 20, QStringLiteral("rangeCount"));
    auto button = [this](const char* text, int x, int y, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, 60, 25);
        b->setAutoDefault(false);
        return b;
    };
    u6_ = button("u6", 15, 58, "rangeU6");
    more_ = button("...", 15, 88, "rangeMore");
    cancel_ = button("Cancel", 90, 88, "rangeCancel");
    ok_ = button("OK", 165, 88, "rangeOk");

    // Every change of a digit string is converted; out of range empties the
    // field, and that change in turn converts to 0.
    connect(baseField_, &QLineEdit::textChanged, this, [this](const QString& t) { Follow(baseField_, t, base_); });
    connect(countField_, &QLineEdit::textChanged, this,
            [this](const QString& t) { Follow(countField_, t, count_); });
    connect(u6_, &QPushButton::clicked, this, [this] { Preset(); });
    connect(more_, &QPushButton::clicked, this, [this] { Preset(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { done(Rejected); });
    connect(ok_, &QPushButton::clicked, this, [this] { TryAccept(); });
}

void MemoryRangeDialog::Preset() {
    // The monitor ROM: 4,096 bytes from address 0.
    baseField_->setText(QStringLiteral("0"));
    countField_->setText(QStringLiteral("4096"));
    base_ = 0;
    count_ = 4096;
}

void MemoryRangeDialog::Follow(QLineEdit* field, const QString& text, uint16_t& value) {
    uint32_t v = 0;
    switch (ReadFieldChange(text, 0xFFFF, v)) {
        case FieldChange::Value: value = static_cast<uint16_t>(v); break;
        case FieldChange::OutOfRange: field->clear(); break;
        case FieldChange::Pending: break;
    }
}

void MemoryRangeDialog::TryAccept() {
    const std::optional<uint32_t> base = ConfirmNumberField(baseField_, 0xFFFF, QStringLiteral("Base Address"), this);
    if (!base) return;
    const std::optional<uint32_t> count = ConfirmNumberField(countField_, 0xFFFF, QStringLiteral("Byte Count"), this);
    if (!count) return;
    base_ = static_cast<uint16_t>(*base);
    count_ = static_cast<uint16_t>(*count);
    if (mode_ == Mode::Save && count_ == 0) return;
    done(Accepted);
}

bool LoadBinFile(MachineRecord& m, QWidget* parent, LoadedImage* loaded) {
    uint16_t base = 0;
    uint16_t count = 0;
    {
        MemoryRangeDialog range(MemoryRangeDialog::Mode::Load, parent);
        if (range.exec() != QDialog::Accepted) return false;
        base = range.BaseAddress();
        count = range.ByteCount();
    }
    const QString path = platform::OpenFileName(parent, QString::fromLatin1(kLoadFileTitle),
                                                QtFileFilter(QString::fromLatin1(kImageFileFilter)),
                                                ImageFileStartDirectory());
    if (path.isEmpty()) return false;
    SkippedBytes skipped;
    const ImageLoadResult result =
        LoadMemoryImage(m, QFile::encodeName(path).toStdString(), base, count, &skipped);
    if (result != ImageLoadResult::Loaded) {
        platform::ShowMessage(parent, QString::fromLatin1(platform::kTitleLoadBin),
                              QString::fromLatin1(kLoadFailedText));
        return false;
    }
    if (skipped.Any())
        platform::ShowMessage(parent, QString::fromLatin1(platform::kTitleLoadBin),
                              QString::fromStdString(DescribeSkippedBytes(skipped)));
    if (loaded != nullptr) *loaded = LoadedImage{path, base, count};
    return true;
}

void SaveBinFile(const MachineRecord& m, QWidget* parent) {
    uint16_t base = 0;
    uint16_t count = 0;
    {
        MemoryRangeDialog range(MemoryRangeDialog::Mode::Save, parent);
        if (range.exec() != QDialog::Accepted) return;
        base = range.BaseAddress();
        count = range.ByteCount();
    }
    const QString chosen = platform::SaveFileName(parent, QString::fromLatin1(kSaveFileTitle),
                                                  QtFileFilter(QString::fromLatin1(kImageFileFilter)),
                                                  ImageFileStartDirectory());
    if (chosen.isEmpty()) return;
    // The extension rule may name another file than the chooser showed: the
    // question about replacing a file is asked here, about the final name.
    const std::string path = WithImageExtension(QFile::encodeName(chosen).toStdString(), base, count);
    const QString finalName = QFile::decodeName(path.c_str());
    if (QFileInfo::exists(finalName) &&
        !platform::AskYesNo(parent, QString::fromLatin1(platform::kTitleSaveBin),
                            QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                .arg(QDir::toNativeSeparators(finalName)))) {
        return;
    }
    switch (SaveMemoryImage(m, path, base, count)) {
        case ImageSaveResult::Saved: return;
        case ImageSaveResult::CannotCreate:
            platform::ShowMessage(parent, QString::fromLatin1(platform::kTitleSaveBin),
                                  QString::fromLatin1(kCreateFailedText));
            return;
        case ImageSaveResult::WriteFailed:
            platform::ShowMessage(parent, QString::fromLatin1(platform::kTitleSaveBin),
                                  QString::fromLatin1(kWriteFailedText));
            return;
    }
}

}  // namespace kestrel
