#include "app/toolbar_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;
const QColor kInk(230, 232, 235);
const QColor kAccent(255, 176, 0);

QPen Pen(const QColor& color, double width = 2.2) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawSave(QPainter& p) { // a floppy disk
    p.setPen(Pen(kInk));
    p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
    p.fillRect(QRectF(10, 6, 12, 7), kInk);
    p.setBrush(kAccent);
    p.drawRect(QRectF(9, 17, 14, 9));
}

void DrawOpen(QPainter& p) { // a folder
    QPainterPath path;
    path.moveTo(4, 9);
    path.lineTo(12, 9);
    path.lineTo(15, 12);
    path.lineTo(28, 12);
    path.lineTo(28, 26);
    path.lineTo(4, 26);
    path.closeSubpath();
    p.setPen(Pen(kInk));
    p.setBrush(QColor(200, 150, 40));
    p.drawPath(path);
}

void DrawSampling(QPainter& p) { // a stopwatch
    p.setPen(Pen(kInk));
    p.drawEllipse(QPointF(16, 18), 10, 10);
    p.drawLine(QPointF(13, 4), QPointF(19, 4));
    p.drawLine(QPointF(16, 4), QPointF(16, 8));
    p.setPen(Pen(kAccent));
    p.drawLine(QPointF(16, 18), QPointF(16, 11));
    p.drawLine(QPointF(16, 18), QPointF(21, 21));
}

void DrawList(QPainter& p) { // rows of a table
    p.setPen(Pen(kInk));
    p.drawRect(QRectF(5, 5, 22, 22));
    for (int y = 11; y <= 21; y += 5)
        p.drawLine(QPointF(5, y), QPointF(27, y));
    p.drawLine(QPointF(12, 5), QPointF(12, 27));
}

void DrawGraph(QPainter& p) { // a line chart
    p.setPen(Pen(kInk));
    p.drawLine(QPointF(5, 4), QPointF(5, 27));
    p.drawLine(QPointF(5, 27), QPointF(28, 27));
    p.setPen(Pen(kAccent, 2.5));
    const QPointF line[] = {{7, 22}, {12, 15}, {17, 19}, {22, 9}, {27, 12}};
    p.drawPolyline(line, 5);
}

void DrawClock(QPainter& p) { // a clock face with a small PC arrow
    p.setPen(Pen(kInk));
    p.drawEllipse(QPointF(16, 16), 11, 11);
    p.drawLine(QPointF(16, 16), QPointF(16, 9));
    p.drawLine(QPointF(16, 16), QPointF(21, 16));
    p.setPen(Pen(kAccent));
    for (int k = 0; k < 12; k += 3) {
        p.save();
        p.translate(16, 16);
        p.rotate(k * 30);
        p.drawPoint(QPointF(0, -9));
        p.restore();
    }
}

void DrawMemory(QPainter& p) { // a memory chip
    p.setPen(Pen(kInk));
    p.setBrush(QColor(70, 75, 85));
    p.drawRect(QRectF(8, 6, 16, 20));
    for (int y = 9; y <= 23; y += 4) {
        p.drawLine(QPointF(4, y), QPointF(8, y));
        p.drawLine(QPointF(24, y), QPointF(28, y));
    }
    p.setPen(Pen(kAccent));
    p.drawEllipse(QPointF(12, 10), 1.2, 1.2);
}

void DrawButtons(QPainter& p) { // a keypad
    p.setPen(Pen(kInk, 1.8));
    p.setBrush(Qt::NoBrush);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            p.drawRoundedRect(QRectF(5 + c * 8, 5 + r * 8, 6, 6), 1.5, 1.5);
    }
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(13, 13, 6, 6), 1.5, 1.5);
}

void DrawErase(QPainter& p) { // a chip struck out
    DrawMemory(p);
    p.setPen(Pen(QColor(230, 60, 50), 3.0));
    p.drawLine(QPointF(5, 5), QPointF(27, 27));
    p.drawLine(QPointF(27, 5), QPointF(5, 27));
}

void DrawPowerOff(QPainter& p) { // the power symbol
    p.setPen(Pen(kInk, 2.6));
    p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, -240 * 16);
    p.setPen(Pen(kAccent, 2.6));
    p.drawLine(QPointF(16, 4), QPointF(16, 15));
}

void DrawCelsiusFahrenheit(QPainter& p) { // °C over °F
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(12);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(1, 1, 22, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("°C"));
    p.setPen(kAccent);
    p.drawText(QRectF(9, 16, 22, 15), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("°F"));
    p.setPen(Pen(kInk, 1.5));
    p.drawLine(QPointF(6, 28), QPointF(26, 4));
}

void DrawAlarm(QPainter& p) { // a bell
    QPainterPath bell;
    bell.moveTo(7, 23);
    bell.cubicTo(10, 20, 9, 8, 16, 7);
    bell.cubicTo(23, 8, 22, 20, 25, 23);
    bell.closeSubpath();
    p.setPen(Pen(kInk));
    p.setBrush(kAccent);
    p.drawPath(bell);
    p.drawLine(QPointF(16, 4), QPointF(16, 7));
    p.drawEllipse(QPointF(16, 26), 2.5, 2.5);
}

void DrawStop(QPainter& p) { // a red stop square in a ring
    p.setPen(Pen(kInk));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 45, 40));
    p.drawRoundedRect(QRectF(10, 10, 12, 12), 2, 2);
}

} // namespace

QIcon ToolbarImage(int index) {
    void (*const draw[])(QPainter&) = {DrawSave,
                                       DrawOpen,
                                       DrawSampling,
                                       DrawList,
                                       DrawGraph,
                                       DrawClock,
                                       DrawMemory,
                                       DrawButtons,
                                       DrawErase,
                                       DrawPowerOff,
                                       DrawCelsiusFahrenheit,
                                       DrawAlarm};
    void (*painter)(QPainter&) = nullptr;
    if (index >= 1 && index <= 12)
        painter = draw[index - 1];
    else if (index == 16)
        painter = DrawStop;
    if (!painter)
        return {};
    QPixmap pixmap(kSize * 2, kSize * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    painter(p);
    p.end();
    return QIcon(pixmap);
}
