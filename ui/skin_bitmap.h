#pragma once

#include <QImage>
#include <QRegion>

class QPainter;

namespace orbix {

// One face image of a skinned window. The colour of its pixel at (0, 0) is
// the transparent colour: every pixel of that colour lies outside the window.
class CSkinBitmap {
  public:
    explicit CSkinBitmap(int resourceId = 0);
    virtual ~CSkinBitmap() = default;

    // Loads the face by resource number; false when there is no such image.
    bool Load(int resourceId);
    // For tests and tools: take an image directly.
    bool LoadImage(const QImage& image);

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool IsLoaded() const { return !m_image.isNull(); }
    const QImage& Image() const { return m_image; }
    QRgb TransparentColour() const;

    // Copies the cx x cy rectangle at (srcX, srcY) of the face to (x, y).
    // cx or cy of 0 means the face's width or height; a source of -1 means 0.
    bool DrawSkin(QPainter& painter, int x, int y, int cx = 0, int cy = 0, int srcX = -1,
                  int srcY = -1) const;

    // The window outline: the face rectangle minus every pixel of the
    // transparent colour. Built on first use and kept.
    const QRegion& BuildRegion();

  private:
    QImage m_image;
    QRegion m_region;
    bool m_regionBuilt = false;
};

// Number of pixels a region covers (its rectangles do not overlap).
long long RegionPixelCount(const QRegion& region);

}  // namespace orbix
