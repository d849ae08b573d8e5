#include "ui/skin_bitmap.h"

#include <QPainter>
#include <vector>

#include "ui/resources.h"

namespace orbix {

CSkinBitmap::CSkinBitmap(int resourceId) {
    if (resourceId != 0) Load(resourceId);
}

bool CSkinBitmap::Load(int resourceId) {
    InitResources();
    const QString path = ResourcePath(resourceId & 0xFFFF);
    if (path.isEmpty()) return false;
    return LoadImage(QImage(path));
}

bool CSkinBitmap::LoadImage(const QImage& image) {
    if (image.isNull()) return false;
    m_image = image.convertToFormat(QImage::Format_RGB32);
    m_region = QRegion();
    m_regionBuilt = false;
    return true;
}

QRgb CSkinBitmap::TransparentColour() const { return IsLoaded() ? m_image.pixel(0, 0) : QRgb{0}; }

bool CSkinBitmap::DrawSkin(QPainter& painter, int x, int y, int cx, int cy, int srcX,
                           int srcY) const {
    if (!IsLoaded()) return false;
    if (cx == 0) cx = Width();
    if (cy == 0) cy = Height();
    if (srcX == -1) srcX = 0;
    if (srcY == -1) srcY = 0;
    painter.drawImage(QPoint(x, y), m_image, QRect(srcX, srcY, cx, cy));
    return true;
}

// Each row's runs of opaque pixels become one rectangle; rows in order and
// runs left to right are exactly the banded form a region is made of.
const QRegion& CSkinBitmap::BuildRegion() {
    if (m_regionBuilt || !IsLoaded()) return m_region;
    const QRgb key = TransparentColour();
    std::vector<QRect> runs;
    for (int y = 0; y < Height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        int x = 0;
        while (x < Width()) {
            while (x < Width() && row[x] == key) ++x;
            const int start = x;
            while (x < Width() && row[x] != key) ++x;
            if (x > start) runs.emplace_back(start, y, x - start, 1);
        }
    }
    m_region = QRegion();
    m_region.setRects(runs.data(), static_cast<int>(runs.size()));
    m_regionBuilt = true;
    return m_region;
}

long long RegionPixelCount(const QRegion& region) {
    long long count = 0;
    for (const QRect& r : region) count += static_cast<long long>(r.width()) * r.height();
    return count;
}

}  // namespace orbix
