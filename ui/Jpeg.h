// JPEG pictures decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// A null image when the data is not a JPEG picture we can read.
QImage decodeJpeg(const QByteArray &data);
QImage loadJpeg(const QString &path); // a file or a ":/" resource
