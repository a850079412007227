#pragma once

#include <QDialog>

namespace orv {
struct Movie;
}

namespace orv::player {

// The movie properties dialog: the header of the open movie and the size and
// path of its file (for a compressed movie, of the compressed file). The
// pause shown is the movie's own, whatever pause is in use.
class Form3 : public QDialog
{
    Q_OBJECT
public:
    Form3(const Movie& movie, QWidget* parent = nullptr);
};

} // namespace orv::player
