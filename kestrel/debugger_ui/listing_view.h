// The debugger's listing: the last 35 lines of stepped instructions and
// notices, with an empty line wherever the kind of line changes.
#pragma once

#include <QListWidget>

namespace kestrel {

class ListingView : public QListWidget {
public:
    static constexpr int kMaxLines = 35;
    enum Kind { Notice = 0, Instruction = 1 };

    explicit ListingView(QWidget* parent = nullptr);

    // Adds a line of the given kind; when the kind differs from the last
    // line's and the view is not empty, an empty line goes first. Beyond 35
    // lines the oldest goes.
    void AddLine(Kind kind, const QString& text);
    // Forgets the lines as counted (the view starts counting from 0).
    void ResetCount();

    int LineCount() const { return count_; }

private:
    void Append(const QString& text);

    int count_ = 0;
    Kind lastKind_ = Notice;
};

}  // namespace kestrel
