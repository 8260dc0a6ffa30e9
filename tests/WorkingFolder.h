#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A new empty folder made the current one while this lives, so that the
// settings file, texts and pictures a test case writes by plain name meet no
// other case's and none of the user's. The folder the test was in before
// becomes current again, then the folder is removed with all in it.
class WorkingFolder
{
public:
    WorkingFolder() : m_previous(QDir::currentPath())
    {
        m_valid = m_dir.isValid() && QDir::setCurrent(m_dir.path());
    }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

    // Whether the folder was made and is the current one.
    bool isValid() const { return m_valid; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
    bool m_valid = false;
};
