#pragma once

#include <QWidget>
#include <functional>

// A plain drawing area: every paint request runs the owner's paint handler with a
// painter on this widget.
class TPaintBox : public QWidget
{
    Q_OBJECT

public:
    using TPaintHandler = std::function<void(QPainter& painter)>;

    TPaintBox(QWidget* parent, TPaintHandler onPaint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TPaintHandler OnPaint;
};
