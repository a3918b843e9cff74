#pragma once
// A folder setting: a free-text edit with a browse button that opens the
// folder chooser. A chosen folder is written with a trailing '/', since the
// station joins folders and file names directly.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace widgets {

class FolderEdit : public QWidget {
  Q_OBJECT
public:
  explicit FolderEdit(QWidget *parent = nullptr);

  QString text() const;
  void setText(const QString &text);
  QLineEdit *edit() const { return m_edit; }
  QToolButton *browseButton() const { return m_browse; }

private:
  void browse();

  QLineEdit *m_edit;
  QToolButton *m_browse;
};

} // namespace widgets
