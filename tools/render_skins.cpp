// Renders a sample of the main window's kind of controls in each of the 33 skins, side by side, into one
// picture (docs/skins.png). Run by tools/render_skins.sh under Xvfb.
//   render_skins <skins folder> <output.png>
#include "skin/vorlith_skin.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTextStream>

namespace {

constexpr int kColumns = 6;
constexpr int kCount = 33;
constexpr QSize kSample(300, 200);
constexpr int kCaption = 24;
constexpr int kGap = 12;

// A page like the window's making page: a group box of badge toggle buttons (the first and last pressed: their
// badges are shown), an edit box with its label, a format combo box, the two large buttons and a disabled
// (greyed) folder box.
QWidget* makeSample()
{
    auto* tabs = new QTabWidget;
    auto* page = new QWidget;
    tabs->addTab(page, QStringLiteral("真人秀制作"));
    tabs->addTab(new QWidget, QStringLiteral("批量制作"));
    tabs->resize(kSample);

    auto* group = new QGroupBox(QStringLiteral("图标显示"), page);
    group->setGeometry(8, 6, 280, 62);
    const QStringList badges{QStringLiteral("会员"), QStringLiteral("红钻"), QStringLiteral("黄钻")};
    for (int i = 0; i < badges.size(); ++i) {
        auto* toggle = new QPushButton(badges[i], group);
        toggle->setGeometry(10 + i * 88, 24, 80, 26);
        toggle->setCheckable(true);
        toggle->setChecked(i != 1);
    }

    (new QLabel(QStringLiteral("QQ号码："), page))->setGeometry(10, 80, 60, 24);
    auto* number = new QLineEdit(QStringLiteral("10001"), page);
    number->setGeometry(72, 80, 120, 24);
    auto* format = new QComboBox(page);
    format->setEditable(true);
    format->addItems({QStringLiteral("jpg"), QStringLiteral("bmp"), QStringLiteral("png")});
    format->setGeometry(200, 80, 86, 24);

    (new QPushButton(QStringLiteral("查询QQ秀"), page))->setGeometry(10, 112, 132, 28);
    (new QPushButton(QStringLiteral("保存图片"), page))->setGeometry(154, 112, 132, 28);

    (new QLabel(QStringLiteral("地址"), page))->setGeometry(10, 148, 60, 20);
    auto* folder = new QLineEdit(QStringLiteral("/home/用户/桌面/测试/"), page);
    folder->setGeometry(72, 148, 214, 20);
    folder->setEnabled(false);
    return tabs;
}

QString skinPath(const QString& folder, int n)
{
    return QStringLiteral("%1/%2.vskin").arg(folder).arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: render_skins <skins folder> <output.png>\n";
        return 2;
    }
    const int rows = (kCount + kColumns - 1) / kColumns;
    const QSize tile(kSample.width(), kSample.height() + kCaption);
    QImage sheet(kGap + kColumns * (tile.width() + kGap), kGap + rows * (tile.height() + kGap), QImage::Format_RGB32);
    sheet.fill(QColor(0xF4, 0xF4, 0xF4));
    QPainter painter(&sheet);
    painter.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 11));
    for (int n = 1; n <= kCount; ++n) {
        QFile file(skinPath(args[1], n));
        const QByteArray skin = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const int result = vorlith_skin_attach(
            reinterpret_cast<const unsigned char*>(skin.constData()), static_cast<int>(skin.size()), "", 0, 0, 0);
        if (result != VORLITH_SKIN_OK) {
            QTextStream(stderr) << "skin " << n << " rejected: " << result << "\n";
            return 1;
        }
        QWidget* sample = makeSample();
        // Laid out as a shown window would be (tab bar and pages get their sizes on show), without a screen.
        sample->setAttribute(Qt::WA_DontShowOnScreen);
        sample->show();
        QCoreApplication::processEvents();
        const QPoint at(kGap + (n - 1) % kColumns * (tile.width() + kGap),
                        kGap + (n - 1) / kColumns * (tile.height() + kGap));
        painter.setPen(Qt::black);
        painter.drawText(QRect(at, QSize(tile.width(), kCaption)),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("皮肤 %1").arg(n));
        painter.drawImage(at + QPoint(0, kCaption), sample->grab().toImage());
        delete sample;
    }
    painter.end();
    return sheet.save(args[2]) ? 0 : 1;
}
