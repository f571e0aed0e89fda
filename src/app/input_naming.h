#pragma once
// In-place naming of the eight inputs: a double click on a name label opens a
// borderless edit exactly over it; Enter, leaving the edit or a click
// elsewhere keeps the typed name, Escape drops it.

#include <QObject>
#include <array>

class QLabel;
class QLineEdit;

namespace vedograf::app {

class TInputNaming : public QObject {
 public:
  // `labels` are In1Label..In5Label, AnIn1Label..AnIn3Label; each label's
  // index (its tag) is its place in this array.
  TInputNaming(QLineEdit* editor, const std::array<QLabel*, 8>& labels);

  // The one way the editor closes: hides it and, with `commit`, gives the
  // edited label the editor's text. Does nothing while the editor is hidden.
  void ClosePinNameEdit(bool commit);
  // Opens the editor over label `index` (In1LabelDblClick).
  void In1LabelDblClick(int index);
  // A mouse press on label `index` commits an editor open over another one.
  void InLabelMouseDown(int index);

  bool IsOpen() const { return open_; }
  int EditorTag() const { return tag_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int IndexOf(QObject* label) const;

  QLineEdit* editor_;
  std::array<QLabel*, 8> labels_;
  int tag_ = 0;
  bool open_ = false;
};

}  // namespace vedograf::app
