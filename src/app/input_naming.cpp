#include "app/input_naming.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/window_rules.h"
#include "run/form_state.h"

namespace vedograf::app {

TInputNaming::TInputNaming(QLineEdit* editor, const std::array<QLabel*, 8>& labels)
    : QObject(editor), editor_(editor), labels_(labels) {
  editor_->setMaxLength(static_cast<int>(kInputNameMaxChars));
  editor_->setFrame(false);
  editor_->hide();
  editor_->installEventFilter(this);
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    QLabel* label = labels_[i];
    label->setProperty("Tag", static_cast<int>(i));
    label->setFixedSize(106, 13);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(QStringLiteral("Щелкните дважды для редактирования"));
    label->installEventFilter(this);
  }
}

void TInputNaming::ClosePinNameEdit(bool commit) {
  if (!open_) return;
  // Marked closed before hiding: hiding takes the focus away, and the focus
  // loss must not close a second time with a commit.
  open_ = false;
  editor_->hide();
  if (commit && tag_ >= 0 && tag_ < static_cast<int>(labels_.size())) labels_[tag_]->setText(editor_->text());
}

void TInputNaming::In1LabelDblClick(int index) {
  ClosePinNameEdit(true);
  QLabel* label = labels_[index];
  editor_->setText(label->text());
  const QRect g = label->geometry();
  const TRect r = PinNameEditRect(TRect{g.x(), g.y(), g.width(), g.height()});
  editor_->setGeometry(r.Left, r.Top, r.Width, r.Height);
  tag_ = index;
  open_ = true;
  editor_->show();
  editor_->raise();
  editor_->setFocus(Qt::MouseFocusReason);
}

void TInputNaming::InLabelMouseDown(int index) {
  if (tag_ != index) ClosePinNameEdit(true);
}

int TInputNaming::IndexOf(QObject* label) const {
  for (std::size_t i = 0; i < labels_.size(); ++i)
    if (labels_[i] == label) return static_cast<int>(i);
  return -1;
}

bool TInputNaming::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ClosePinNameEdit(true);
        return true;
      }
      if (key == Qt::Key_Escape) {
        ClosePinNameEdit(false);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      ClosePinNameEdit(true);
    }
    return false;
  }
  const int index = IndexOf(watched);
  if (index < 0) return false;
  // A disabled label gets no mouse events from Qt; the check keeps it so for
  // events sent directly.
  if (!labels_[index]->isEnabled()) return false;
  if (event->type() == QEvent::MouseButtonPress) {
    InLabelMouseDown(index);
    // Consumed: passed on to the page it would count as a click elsewhere
    // and close the editor over this very label.
    return true;
  } else if (event->type() == QEvent::MouseButtonDblClick) {
    In1LabelDblClick(index);
    return true;
  }
  return false;
}

}  // namespace vedograf::app
