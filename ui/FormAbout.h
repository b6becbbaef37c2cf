#pragma once

#include <QWidget>

// The About window: three menu screens of the acquisition board and a picture of the board,
// with a few lines on what the program serves. A click on a picture puts it away (hidden,
// shown again by the next "About"); its close box destroys it.
class FormAbout : public QWidget
{
    Q_OBJECT

public:
    FormAbout();
};
