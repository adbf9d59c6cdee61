// A test with the program's main window on screen and a temporary folder for the files it opens.
#pragma once

#include "app/Brview1.h"
#include "support/TempFiles.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace hy::test {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.IsValid());
        m_form = std::make_unique<app::TMainForm>();
        m_form->resize(900, 700);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void TearDown() override
    {
        // The next test starts with its windows as tabs, as a first start does, whatever this one chose.
        m_form->SetTabbedWindows(true);
        m_form->close();
        m_form.reset();
    }

    // Writes a file into the folder; its path.
    QString Make(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.Write(name, content);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        return path;
    }

    TTempFolder m_dir;
    std::unique_ptr<app::TMainForm> m_form;
};

} // namespace hy::test
