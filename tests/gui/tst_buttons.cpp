#include "common/TestEnv.h"
#include "dialogs/CBaseDialog.h"
#include "dialogs/CImageButton.h"
#include "platform/CHelpViewer.h"
#include "platform/HelpService.h"
#include "platform/ResourceIds.h"
#include "widgets/CDeferWindowPos.h"
#include "widgets/CModeButton.h"

#include <QFile>

#include <QPushButton>
#include <QTest>

namespace {

// Renders a widget over a magenta ground, so that transparent pixels show.
QImage RenderOverMagenta(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

struct HelpRequest {
    HelpCommand m_command;
    quint32 m_nContext;
};

class HelpRecorder {
public:
    HelpRecorder()
    {
        m_previous = SetHelpHandler([this](HelpCommand command, quint32 context) {
            m_requests.append({command, context});
        });
    }
    ~HelpRecorder() { SetHelpHandler(std::move(m_previous)); }
    QList<HelpRequest> m_requests;

private:
    HelpHandler m_previous;
};

class TestDialog : public CBaseDialog {
public:
    TestDialog(int id, bool resizable, bool helpButton) : CBaseDialog(id, nullptr)
    {
        SetResizable(resizable);
        resize(300, 200);
        if (helpButton) {
            auto* button = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
            button->setObjectName(QStringLiteral("9"));
            button->setGeometry(10, 10, 80, 24);
        }
        auto* other = new QPushButton(QStringLiteral("OK"), this);
        other->setObjectName(QStringLiteral("1"));
        other->setGeometry(100, 10, 80, 24);
    }
};

} // namespace

// The picture and mode buttons, the deferred moves and the dialog base.
class TestButtons : public QObject {
    Q_OBJECT

private slots:
    void modeButtonShowsItsPicture_data()
    {
        QTest::addColumn<int>("onPicture");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QColor>("middleTop");
        QTest::newRow("checked cream") << int(kPictureModeKnown) << true << QColor(255, 255, 230);
        QTest::newRow("checked blue") << int(kPictureModeLearned) << true << QColor(180, 220, 253);
        QTest::newRow("unchecked grey")
            << int(kPictureModeLearned) << false << QColor(217, 217, 217);
    }
    void modeButtonShowsItsPicture()
    {
        QFETCH(int, onPicture);
        QFETCH(bool, checked);
        QFETCH(QColor, middleTop);
        CModeButton button(QStringLiteral("覚えた"), nullptr);
        button.resize(180, 60); // twice the picture: stretched
        button.LoadBitmaps(onPicture, kPictureModeOff);
        button.m_bChecked = checked;
        const QImage image = RenderOverMagenta(&button);
        QCOMPARE(image.pixelColor(3, 2), middleTop);
        // The stretched red corners stay transparent.
        QCOMPARE(image.pixelColor(0, 0), QColor(255, 0, 255));
        QCOMPARE(image.pixelColor(179, 59), QColor(255, 0, 255));
        // The caption is drawn in black in the middle.
        bool dark = false;
        for (int x = 60; x < 120 && !dark; ++x)
            for (int y = 20; y < 40 && !dark; ++y)
                dark = image.pixelColor(x, y).value() < 80;
        QVERIFY(dark);
    }

    void knownAndUnspecLookAlike()
    {
        CModeButton known(QStringLiteral("知ってる"), nullptr);
        CModeButton unspec(QStringLiteral("指定なし"), nullptr);
        for (CModeButton* button : {&known, &unspec}) {
            button->resize(90, 30);
            button->LoadBitmaps(kPictureModeKnown, kPictureModeOff);
            button->m_bChecked = true;
            button->setText(QString());
        }
        QCOMPARE(RenderOverMagenta(&known), RenderOverMagenta(&unspec));
    }

    void modeButtonWithoutPictures()
    {
        CModeButton button(QStringLiteral("覚えた"), nullptr);
        button.resize(90, 30);
        const QImage image = RenderOverMagenta(&button);
        QCOMPARE(image.pixelColor(2, 2), QColor(255, 0, 255)); // no background at all
    }

    void focusRectangleFollowsFocus()
    {
        QWidget window;
        auto* button = new CModeButton(QStringLiteral("覚えた"), &window);
        auto* other = new QPushButton(QStringLiteral("x"), &window);
        button->setGeometry(0, 0, 90, 30);
        other->setGeometry(0, 40, 90, 30);
        button->LoadBitmaps(kPictureModeLearned, kPictureModeOff);
        button->m_bChecked = true;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        const QImage without = RenderOverMagenta(button);
        button->setFocus();
        QVERIFY(button->hasFocus());
        const QImage with = RenderOverMagenta(button);
        // The dotted rectangle lies 2 pixels inside the edge.
        int changed = 0;
        for (int x = 2; x < 88; ++x)
            changed += with.pixelColor(x, 2) != without.pixelColor(x, 2);
        QVERIFY(changed > 10);
        QCOMPARE(with.pixelColor(45, 1), without.pixelColor(45, 1));
    }

    void modeButtonClickReachesOwner()
    {
        CModeButton button(QStringLiteral("覚えた"), nullptr);
        button.resize(90, 30);
        button.show();
        int clicks = 0;
        connect(&button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QVERIFY(!button.m_bChecked); // the owner decides the state
    }

    void imageButtonCentresItsPicture()
    {
        CImageButton button;
        button.resize(60, 40);
        const QImage plain = RenderOverMagenta(&button);
        QVERIFY(!button.HasImage());
        button.SetButtonImage(kPictureExit, QColor(255, 255, 255));
        QVERIFY(button.HasImage());
        const QImage withPicture = RenderOverMagenta(&button);
        QRect changed;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                if (plain.pixel(x, y) != withPicture.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
        QVERIFY(!changed.isEmpty());
        QVERIFY(QRect(18, 8, 24, 24).contains(changed));
        // The white ground of the cross is transparent: the face shows there.
        QCOMPARE(withPicture.pixel(19, 19), plain.pixel(19, 19));
    }

    void deferredMovesApplyTogether()
    {
        QWidget parent;
        QWidget a(&parent);
        QWidget b(&parent);
        a.setGeometry(0, 0, 10, 10);
        b.setGeometry(0, 0, 10, 10);
        {
            CDeferWindowPos batch;
            batch.Begin(2);
            batch.Move(&a, 5, 6, 20, 30);
            batch.Move(&b, 7, 8, 40, 50);
            QCOMPARE(a.geometry(), QRect(0, 0, 10, 10)); // nothing moves before the end
            batch.End();
            QVERIFY(!batch.IsOpen());
        }
        QCOMPARE(a.geometry(), QRect(5, 6, 20, 30));
        QCOMPARE(b.geometry(), QRect(7, 8, 40, 50));
    }

    void failedMoveDropsBatch()
    {
        QWidget parent;
        QWidget a(&parent);
        a.setGeometry(0, 0, 10, 10);
        CDeferWindowPos batch;
        batch.Begin(3);
        batch.Move(&a, 5, 5, 20, 20);
        batch.Move(nullptr, 1, 1, 1, 1);
        QVERIFY(!batch.IsOpen());
        batch.Move(&a, 9, 9, 9, 9);
        batch.End();
        QCOMPARE(a.geometry(), QRect(0, 0, 10, 10));
    }

    void destructorEndsOpenBatch()
    {
        QWidget parent;
        QWidget a(&parent);
        {
            CDeferWindowPos batch;
            batch.Begin(1);
            batch.Move(&a, 3, 4, 5, 6);
        }
        QCOMPARE(a.geometry(), QRect(3, 4, 5, 6));
    }

    void gripOnlyWhenResizable_data()
    {
        QTest::addColumn<bool>("resizable");
        QTest::newRow("resizable") << true;
        QTest::newRow("fixed frame") << false;
    }
    void gripOnlyWhenResizable()
    {
        QFETCH(bool, resizable);
        TestDialog dialog(kTemplateStudyState, resizable, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint corner(dialog.width() - 2, dialog.height() - 2);
        QCOMPARE(dialog.HitTestGrip(corner), resizable);
        QVERIFY(!dialog.HitTestGrip(QPoint(dialog.width() / 2, dialog.height() / 2)));
        // The painted corner differs from the plain dialog face only with a grip.
        const QImage image = dialog.grab().toImage();
        const QRect grip = dialog.GetGripRect(dialog.width(), dialog.height());
        const QColor face = image.pixelColor(dialog.width() / 2, dialog.height() - 2);
        bool drawn = false;
        for (int y = grip.top(); y <= grip.bottom(); ++y)
            for (int x = grip.left(); x <= grip.right(); ++x)
                drawn = drawn || image.pixelColor(x, y) != face;
        QCOMPARE(drawn, resizable);
    }

    void gripFollowsTheSize()
    {
        TestDialog dialog(kTemplateStudyState, true, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.resize(250, 150);
        QTRY_VERIFY(dialog.HitTestGrip(QPoint(248, 148)));
        QVERIFY(!dialog.HitTestGrip(QPoint(298, 198)));
    }

    void f1Help_data()
    {
        QTest::addColumn<int>("templateId");
        QTest::addColumn<bool>("helpButton");
        QTest::addColumn<int>("command");
        QTest::addColumn<quint32>("context");
        QTest::newRow("options: topic")
            << int(kTemplateOptions) << true << int(HelpCommand::Context)
            << quint32(0x20000 + kTemplateOptions);
        QTest::newRow("history: contents")
            << int(kTemplateHistory) << false << int(HelpCommand::Contents) << quint32(0);
        QTest::newRow("mode selection: contents")
            << int(kTemplateModeSelect) << false << int(HelpCommand::Contents) << quint32(0);
    }
    void f1Help()
    {
        QFETCH(int, templateId);
        QFETCH(bool, helpButton);
        QFETCH(int, command);
        QFETCH(quint32, context);
        HelpRecorder help;
        TestDialog dialog(templateId, false, helpButton);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QCOMPARE(help.m_requests.size(), 1);
        QCOMPARE(int(help.m_requests.at(0).m_command), command);
        QCOMPARE(help.m_requests.at(0).m_nContext, context);
    }

    void helpButtonOpensTopic()
    {
        HelpRecorder help;
        TestDialog dialog(kTemplateOptions, false, true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("9")), Qt::LeftButton);
        QCOMPARE(help.m_requests.size(), 1);
        QCOMPARE(help.m_requests.at(0).m_nContext, quint32(0x20000 + kTemplateOptions));
    }

    void helpPages_data()
    {
        QTest::addColumn<quint32>("context");
        QTest::addColumn<QString>("page");
        QTest::newRow("options") << quint32(0x20000 + kTemplateOptions)
                                 << QStringLiteral("qrc:/help/options.html");
        QTest::newRow("history has none")
            << quint32(0x20000 + kTemplateHistory) << QStringLiteral("qrc:/help/index.html");
        QTest::newRow("bare template id")
            << quint32(kTemplateOptions) << QStringLiteral("qrc:/help/index.html");
    }
    void helpPages()
    {
        QFETCH(quint32, context);
        QFETCH(QString, page);
        QCOMPARE(CHelpViewer::PageForContext(context).toString(), page);
        QFile file(QStringLiteral(":") + QUrl(page).path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readAll()).contains(QStringLiteral("<h1>")));
    }

    void viewerShowsRequestedPage()
    {
        ShowHelpContext(0x20000 + kTemplateOptions);
        CHelpViewer* viewer = CHelpViewer::Instance();
        QVERIFY(viewer);
        QCOMPARE(viewer->source().toString(), QStringLiteral("qrc:/help/options.html"));
        QVERIFY(viewer->toPlainText().contains(QStringLiteral("筆記線の巾")));
        ShowHelpContents();
        QCOMPARE(CHelpViewer::Instance(), viewer); // one viewer for the process
        QVERIFY(viewer->toPlainText().contains(QStringLiteral("覚えたい")));
        viewer->close();
    }
};

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
