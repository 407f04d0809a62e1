#include "kestrel/debugger_ui/listing_view.h"

namespace kestrel {

ListingView::ListingView(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("listingView"));
    setAccessibleName(objectName());
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    // Plain rows as a list box draws them: no eliding, no padding, 13 pixels
    // a row so that 35 lines (14 stack entries) fill the view.
    setTextElideMode(Qt::ElideNone);
    setStyleSheet(QStringLiteral("QListWidget::item { padding: 0px; margin: 0px; border: 0px; height: 13px; }"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void ListingView::AddLine(Kind kind, const QString& text) {
    if (kind != lastKind_ && count_ > 0) Append(QString());
    Append(text);
    lastKind_ = kind;
}

void ListingView::ResetCount() {
    clear();
    count_ = 0;
}

void ListingView::Append(const QString& text) {
    if (count_ > kMaxLines - 1)
        delete takeItem(0);
    else
        ++count_;
    addItem(text);
    scrollToBottom();
}

}  // namespace kestrel
