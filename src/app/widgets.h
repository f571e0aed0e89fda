#pragma once
// Two small widget kinds the main window needs beyond the stock ones: the
// numeric edit with its key filter and its normalisation on leaving, and a
// page control that can say how much its tab row and frame take.

#include <QLineEdit>
#include <QTabWidget>
#include <functional>

#include "app/window_rules.h"

namespace vedograf::app {

// A numeric edit: keys outside its set are swallowed while typing (pasting
// stays possible, so a pasted text is only corrected when the focus leaves),
// and OnExit runs whenever the focus leaves.
class TNumericEdit : public QLineEdit {
 public:
  TNumericEdit(TEditKeys keys, int maxLength, QWidget* parent);

  TEditKeys Keys() const { return keys_; }
  std::function<void()> OnExit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TEditKeys keys_;
};

class TPageControl : public QTabWidget {
 public:
  using QTabWidget::QTabWidget;
  // Page control size minus page size for a control of `size`, as the style
  // lays it out (valid before the control is ever shown).
  QSize PageExtra(QSize size) const;
};

}  // namespace vedograf::app
