#include "app/widgets.h"

#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace vedograf::app {

TNumericEdit::TNumericEdit(TEditKeys keys, int maxLength, QWidget* parent) : QLineEdit(parent), keys_(keys) {
  setMaxLength(maxLength);
}

void TNumericEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  // Only typed characters are filtered; navigation keys and the clipboard
  // shortcuts (which carry control characters or nothing) go through.
  const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
  if (!shortcut && !text.isEmpty()) {
    const char32_t ch = text.toUcs4().value(0);
    if (ch >= 0x20 && ch != 0x7F && !EditAcceptsKey(keys_, ch)) {
      event->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (OnExit) OnExit();
}

QSize TPageControl::PageExtra(QSize size) const {
  QStyleOptionTabWidgetFrame option;
  initStyleOption(&option);
  option.rect = QRect(QPoint(0, 0), size);
  const QRect contents = style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
  return QSize(size.width() - contents.width(), size.height() - contents.height());
}

}  // namespace vedograf::app
