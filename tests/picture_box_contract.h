#pragma once

// The picture box's contract, checked on the window's box and on the in-memory controls alike, so the double
// the handler tests run on cannot drift from the real box: a picture is shown; bytes that are no picture
// say why and leave the picture the box had; empty bytes clear it and are no failure.
#include "core/controls.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>

namespace testutil {

inline void checkPictureBoxContract(core::Controls& controls, core::ControlId box)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "PNG"));

    QCOMPARE(controls.setPicture(box, png), core::Reason());
    QVERIFY(controls.hasPicture(box));
    QCOMPARE(controls.setPicture(box, QByteArray("not a picture at all")).code, core::ReasonCode::NotAPicture);
    QVERIFY(controls.hasPicture(box));
    QCOMPARE(controls.setPicture(box, png), core::Reason());
    QCOMPARE(controls.setPicture(box, QByteArray()), core::Reason());
    QVERIFY(!controls.hasPicture(box));
}

} // namespace testutil
