// CValueBox: the bordered box in which the Data page shows one value as the instrument sent it.
// A value wider than the box is drawn in a smaller font instead of being cut off.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

class CValueBox : public QLabel {
public:
    CValueBox(QWidget* parent, Qt::Alignment align);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The font, no smaller than half of base, in which text fits width pixels (base when it fits).
QFont FittingFont(const QFont& base, const QString& text, int width);
