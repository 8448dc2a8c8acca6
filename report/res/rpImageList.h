#pragma once
// A list of equally sized images with transparency, the library's toolbar
// and tree images.

#include <QColor>
#include <QIcon>
#include <QImage>

#include <vector>

class TrpImageList {
public:
    explicit TrpImageList(int width = 16, int height = 16) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }
    void Clear() { images_.clear(); }
    // Pixels of the transparent colour become fully transparent.
    void AddMasked(const QImage& image, QColor transparent);
    // Empty image outside the range.
    QImage Image(int index) const;
    // Needs a GUI application (QPixmap underneath).
    QIcon Icon(int index) const;

private:
    int width_;
    int height_;
    std::vector<QImage> images_;
};
