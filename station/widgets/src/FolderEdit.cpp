#include "widgets/FolderEdit.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace widgets {

FolderEdit::FolderEdit(QWidget *parent) : QWidget(parent), m_edit(new QLineEdit(this)), m_browse(new QToolButton(this)) {
  auto *row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  m_edit->setObjectName("edit");
  m_browse->setObjectName("browse");
  m_browse->setText("...");
  m_browse->setFocusPolicy(Qt::NoFocus);
  row->addWidget(m_edit, 1);
  row->addWidget(m_browse);
  connect(m_browse, &QToolButton::clicked, this, &FolderEdit::browse);
  setFocusProxy(m_edit);
}

QString FolderEdit::text() const { return m_edit->text(); }

void FolderEdit::setText(const QString &text) { m_edit->setText(text); }

void FolderEdit::browse() {
  // Start where the typed folder is, when it is a native one that exists.
  const QString start = QFileInfo(m_edit->text()).isDir() ? m_edit->text() : QString();
  QString chosen = QFileDialog::getExistingDirectory(this, toolTip(), start);
  if (chosen.isEmpty()) return;
  if (!chosen.endsWith('/')) chosen += '/';
  m_edit->setText(chosen);
}

} // namespace widgets
