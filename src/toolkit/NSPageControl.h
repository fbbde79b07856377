#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <vector>

// A row of page dots, the current page's dot in its own colour. A page change cross-colours the two dots
// concerned over animationDuration. Draws nothing else and takes no input.
class NSPageControl : public QWidget {
    Q_OBJECT
public:
    struct Dot {
        QRectF frame;
        QColor fillColor;
    };

    explicit NSPageControl(QWidget* parent = nullptr);

    // These setters only store; the dots follow at the next drawing.
    int numberOfPages() const { return m_numberOfPages; }
    void setNumberOfPages(int pages) { m_numberOfPages = pages; }
    bool hidesForSinglePage() const { return m_hidesForSinglePage; }
    void setHidesForSinglePage(bool hides) { m_hidesForSinglePage = hides; }
    QColor pageIndicatorTintColor() const { return m_pageIndicatorTintColor; }
    void setPageIndicatorTintColor(const QColor& color) { m_pageIndicatorTintColor = color; }
    QColor currentPageIndicatorTintColor() const { return m_currentPageIndicatorTintColor; }
    void setCurrentPageIndicatorTintColor(const QColor& color) { m_currentPageIndicatorTintColor = color; }
    double animationDuration() const { return m_animationDuration; }
    void setAnimationDuration(double seconds) { m_animationDuration = seconds; }
    double dotLength() const { return m_dotLength; }
    void setDotLength(double length) { m_dotLength = length; }
    double dotMargin() const { return m_dotMargin; }
    void setDotMargin(double margin) { m_dotMargin = margin; }

    int currentPage() const { return m_currentPage; }
    // Kept within the pages (0 when there are none); the dots of the old and the new page change colour.
    void setCurrentPage(int page);

    // The dots of the last drawing, in page order.
    const std::vector<Dot>& dotLayers() const { return m_dots; }

    // Where the dots of `pages` pages go in a view of `size`: centred horizontally, half a dot below the
    // middle, in Qt's top-left coordinates.
    static std::vector<QRectF> dotFrames(const QSizeF& size, int pages, double dotLength, double dotMargin);

protected:
    void animatePageChange(int from, int to);
    // Moves the dot's fill from where it is to `color`, and keeps it there.
    void fillColorAnimation(std::size_t dot, const QColor& color, const QByteArray& key);
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildDots();

    int m_numberOfPages = 0;
    int m_currentPage = 0;
    bool m_hidesForSinglePage = true;
    QColor m_pageIndicatorTintColor = QColor::fromRgbF(1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0);
    QColor m_currentPageIndicatorTintColor = Qt::white;
    double m_animationDuration = 0.04;
    double m_dotLength = 8.0;
    double m_dotMargin = 12.0;
    std::vector<Dot> m_dots;
};
