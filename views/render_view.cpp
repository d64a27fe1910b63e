#include "render_view.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <exception>

namespace kelto {

std::string ClockText(double seconds) {
    const long whole = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    }
    return text;
}

std::string RenderProgressText(const RenderProgress& progress) {
    const std::string threads =
        std::to_string(progress.threads) + (progress.threads == 1 ? " thread" : " threads");
    const std::size_t total = progress.pixels_total;
    const std::size_t done = std::min(progress.pixels_done, total);
    const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    switch (progress.phase) {
        case RenderPhase::Finished:
            return "Finished in " + ClockText(progress.elapsed_seconds) + " - " +
                   std::to_string(progress.width) + " x " + std::to_string(progress.height) +
                   (progress.quality == RenderQuality::Production ? " Production" : " Draft") +
                   " - " + threads;
        case RenderPhase::Stopped:
            return "Stopped at " + std::to_string(percent) + "% after " +
                   ClockText(progress.elapsed_seconds) + " - " + threads;
        case RenderPhase::Rendering:
            break;
    }
    std::string text = "Rendering " + std::to_string(percent) + "% - " +
                       ClockText(progress.elapsed_seconds) + " elapsed";
    // The pace is worth an estimate once a second's work and some pixels show it.
    if (done > 0 && done < total && progress.elapsed_seconds >= 1.0) {
        const double left = progress.elapsed_seconds * static_cast<double>(total - done) /
                            static_cast<double>(done);
        text += ", about " + ClockText(std::ceil(left)) + " left";
    }
    return text + " - " + threads;
}

CRenderView::CRenderView(const DocumentCore& document, const RenderCamera& camera,
                         const RenderSettings& settings, WindowThread& window_thread,
                         QWidget* parent)
    : QAbstractScrollArea(parent), drain_timer_(new QTimer(this)), status_timer_(new QTimer(this)) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    news_ = std::make_unique<RenderNews>(
        window_thread, [this] { OnRenderFlush(); }, [this] { OnRenderDone(); });
    try {
        request_ = std::make_unique<RenderRequest>(document, camera, settings, *news_);
    } catch (const std::exception&) {
        // No thread for the render (the system's limit): the window says so and stays empty.
        set_up_ = Status::Silent();
    }
    drain_timer_->setInterval(kTimerInterval);
    connect(drain_timer_, &QTimer::timeout, this, [this] { OnTimer(kTimerId); });
    status_timer_->setInterval(1000);
    connect(status_timer_, &QTimer::timeout, this, &CRenderView::ProgressChanged);
}

CRenderView::~CRenderView() {
    // The render stops and its threads end here, before the news it might still send goes.
    request_.reset();
    news_.reset();
}

Status CRenderView::OnInitialUpdate() {
    if (!request_) {
        return set_up_;
    }
    if (started_) {
        return Status::Ok();
    }
    PaintCheckerboard();
    UpdateScrollBars();
    finished_ = false;
    drain_timer_->start();
    status_timer_->start();
    clock_.start();
    started_ = true;
    request_->Start();
    viewport()->update();
    emit ProgressChanged();
    return Status::Ok();
}

void CRenderView::Abort() {
    if (request_ && !finished_) {
        aborted_ = true;
        request_->Abort();
    }
}

const RenderImage& CRenderView::Image() const {
    return request_ ? request_->Image() : empty_;
}

QImage CRenderView::Bitmap() const {
    if (!request_) {
        return {};
    }
    return QImage(request_->RgbRows(), ImageWidth(), ImageHeight(),
                  static_cast<qsizetype>(request_->RowStride()), QImage::Format_RGB888);
}

QPoint CRenderView::PictureOrigin() const {
    const QSize client = viewport()->size();
    const int width = ImageWidth();
    const int height = ImageHeight();
    const int x = client.width() > width ? (client.width() - width) / 2 : 0;
    const int y = client.height() > height ? (client.height() - height) / 2 : 0;
    return {x - horizontalScrollBar()->value(), y - verticalScrollBar()->value()};
}

RenderProgress CRenderView::Progress() const {
    RenderProgress progress;
    progress.phase = !finished_ ? RenderPhase::Rendering
                     : aborted_ ? RenderPhase::Stopped
                                : RenderPhase::Finished;
    if (request_) {
        progress.pixels_done = request_->PixelsDone();
        progress.pixels_total = request_->PixelsTotal();
        progress.threads = request_->Threads();
    }
    progress.elapsed_seconds =
        finished_ ? elapsed_at_end_ : (clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0);
    progress.width = ImageWidth();
    progress.height = ImageHeight();
    if (request_) {
        progress.quality = request_->Camera().quality;
    }
    return progress;
}

Status CRenderView::Save(const std::string& path, int jpeg_quality) const {
    return SavePicture(Image(), path, jpeg_quality);
}

// --- the render's news ---

void CRenderView::Flush() {
    if (!request_) {
        return;
    }
    const DrainedRows rows = request_->Drain();
    if (rows.Empty()) {
        return;
    }
    const QPoint origin = PictureOrigin();
    viewport()->update(QRect(origin.x(), origin.y() + rows.first_row, ImageWidth(),
                             rows.last_row - rows.first_row + 1));
}

void CRenderView::OnRenderFlush() {
    Flush();
    emit ProgressChanged();
}

void CRenderView::OnTimer(int id) {
    if (id != kTimerId) {
        return;
    }
    Flush();
    emit ProgressChanged();
}

void CRenderView::OnRenderDone() {
    drain_timer_->stop();
    status_timer_->stop();
    Flush();
    elapsed_at_end_ = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    viewport()->repaint();  // at once, as after an edit
    finished_ = true;
    emit ProgressChanged();
    emit RenderFinished();
}

// --- painting ---

void CRenderView::PaintCheckerboard() {
    std::uint8_t* rows = request_->PaintingRows();
    const std::size_t stride = request_->RowStride();
    const int width = ImageWidth();
    const int height = ImageHeight();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = rows + static_cast<std::size_t>(y) * stride;
        const bool light_row = (y / kSquare) % 2 == 0;
        for (int x = 0; x < width; ++x) {
            const bool light = light_row == ((x / kSquare) % 2 == 0);
            const std::uint8_t grey = light ? 208 : 128;
            out[0] = out[1] = out[2] = grey;
            out += 3;
        }
    }
}

void CRenderView::OnEraseBkgnd(QPainter& painter, const QRect& area) {
    // Round the picture only: it covers the rest.
    const QRect picture(PictureOrigin(), QSize(ImageWidth(), ImageHeight()));
    QRegion around(area);
    around -= picture;
    for (const QRect& rect : around) {
        painter.fillRect(rect, QColor::fromRgb(kBackground));
    }
}

void CRenderView::OnPaint(const QRect& area) {
    QPainter painter(viewport());
    painter.setClipRect(area);
    OnEraseBkgnd(painter, area);
    if (request_) {
        // Only the part asked for: a drain repaints just the rows it changed.
        const QPoint origin = PictureOrigin();
        const QRect shown = area & QRect(origin, QSize(ImageWidth(), ImageHeight()));
        if (!shown.isEmpty()) {
            painter.drawImage(shown, Bitmap(), shown.translated(-origin));
        }
    }
}

void CRenderView::paintEvent(QPaintEvent* event) {
    OnPaint(event->rect());
}

// --- size and scrolling ---

void CRenderView::UpdateScrollBars() {
    // What the window would show without scroll bars decides whether it needs them (the
    // viewport may still be narrowed by bars it no longer needs).
    const QSize full = maximumViewportSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int width = ImageWidth();
    const int height = ImageHeight();
    bool need_across = width > full.width();
    bool need_down = height > full.height();
    need_down = need_down || (need_across && height > full.height() - bar);
    need_across = need_across || (need_down && width > full.width() - bar);
    const QSize client(full.width() - (need_down ? bar : 0),
                       full.height() - (need_across ? bar : 0));
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    across->setRange(0, std::max(0, width - client.width()));
    down->setRange(0, std::max(0, height - client.height()));
    // A page is what the window shows; a line a hundredth of the picture.
    across->setPageStep(std::max(1, client.width()));
    down->setPageStep(std::max(1, client.height()));
    across->setSingleStep(std::max(1, width / 100));
    down->setSingleStep(std::max(1, height / 100));
}

void CRenderView::OnSize() {
    UpdateScrollBars();
    viewport()->update();
}

void CRenderView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    OnSize();
}

void CRenderView::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

void CRenderView::OnKeyDown(int key) {
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    switch (key) {
        case Qt::Key_PageUp:
            down->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            down->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case Qt::Key_End:
            down->triggerAction(QAbstractSlider::SliderToMaximum);
            across->triggerAction(QAbstractSlider::SliderToMaximum);
            break;
        case Qt::Key_Home:
            down->triggerAction(QAbstractSlider::SliderToMinimum);
            across->triggerAction(QAbstractSlider::SliderToMinimum);
            break;
        case Qt::Key_Left:
            across->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Up:
            down->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Right:
            across->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_Down:
            down->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        default:
            break;
    }
}

void CRenderView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Right:
        case Qt::Key_Down:
            OnKeyDown(event->key());
            event->accept();
            return;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

}  // namespace kelto
