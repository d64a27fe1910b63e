// The render view: a scrolled window showing a render's picture as it arrives. It owns the
// render (its request, with the snapshot, the picture to save and the rows it paints) and
// shows a checkerboard where no pixel has arrived yet. The render's threads never draw: the
// view drains their pixels on a timer, when the render asks and when it is done.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <memory>
#include <string>

#include "document/document_core.h"
#include "document/render_news.h"
#include "document/render_request.h"
#include "platform/window_thread.h"

class QTimer;

namespace kelto {

// What the window's status line says about a render.
enum class RenderPhase { Rendering, Finished, Stopped };
struct RenderProgress {
    RenderPhase phase = RenderPhase::Rendering;
    std::size_t pixels_done = 0;
    std::size_t pixels_total = 0;
    double elapsed_seconds = 0.0;
    int threads = 1;
    int width = 0;
    int height = 0;
    RenderQuality quality = RenderQuality::Draft;
};
// "Rendering 42% - 0:03 elapsed, about 0:04 left - 2 threads", "Finished in 1:02:03 -
// 640 x 480 Production - 2 threads"; the time left once a second's work tells the pace.
std::string RenderProgressText(const RenderProgress& progress);
// "0:07", "12:34", "1:02:03".
std::string ClockText(double seconds);

class CRenderView : public QAbstractScrollArea {
    Q_OBJECT

  public:
    static constexpr int kTimerId = 136;
    static constexpr int kTimerInterval = 4000;       // ms between drains without a request
    static constexpr int kSquare = 32;                // the checkerboard's squares
    static constexpr QRgb kLightSquare = 0xFFD0D0D0;  // RGB(208, 208, 208)
    static constexpr QRgb kDarkSquare = 0xFF808080;   // RGB(128, 128, 128)
    static constexpr QRgb kBackground = 0xFF404060;   // RGB(64, 64, 96)

    // Takes the render's snapshot of `document` through `camera` now (the document may be
    // edited, saved or closed from here on without changing the picture); the render starts
    // with OnInitialUpdate. News from the render reaches the view through `window_thread`.
    CRenderView(const DocumentCore& document, const RenderCamera& camera,
                const RenderSettings& settings, WindowThread& window_thread,
                QWidget* parent = nullptr);
    // Stops a render that still runs and waits for its threads.
    ~CRenderView() override;

    // Why the render could not be made (its threads could not start); Ok otherwise.
    const Status& SetUpStatus() const { return set_up_; }
    // Paints the checkerboard, sets the scroll sizes and starts the timer and the render.
    // Fails (and nothing runs) when the render could not be made.
    Status OnInitialUpdate();

    bool Started() const { return started_; }
    // The render has ended and its last pixels are in the picture (after its done news).
    bool Finished() const { return finished_; }
    // Asks the render to stop; its done news still comes.
    void Abort();
    bool Aborted() const { return aborted_; }

    // The picture's size (none when the render could not be made).
    int ImageWidth() const { return request_ ? request_->Camera().width : 0; }
    int ImageHeight() const { return request_ ? request_->Camera().height : 0; }
    // The picture as drained so far (black where nothing has arrived): what is saved.
    const RenderImage& Image() const;
    // What the window shows of the picture: the checkerboard where nothing has arrived. It
    // shares the view's rows; valid until the view is gone.
    QImage Bitmap() const;
    // Where the picture's top left corner is in the viewport.
    QPoint PictureOrigin() const;
    RenderProgress Progress() const;
    QString ProgressText() const { return QString::fromStdString(RenderProgressText(Progress())); }
    // Saves the picture by its name's extension.
    Status Save(const std::string& path, int jpeg_quality) const;

    // --- the window's messages ---
    void OnRenderFlush();  // the render asks for a drain
    void OnRenderDone();   // the render has ended
    void OnTimer(int id);  // the drain timer (other identifiers are ignored)
    void OnPaint(const QRect& area);
    void OnEraseBkgnd(QPainter& painter, const QRect& area);
    void OnKeyDown(int key);
    void OnSize();

  signals:
    // The render ended (finished or stopped); Finished() is true.
    void RenderFinished();
    // The progress text changed.
    void ProgressChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void Flush();
    void PaintCheckerboard();
    void UpdateScrollBars();

    Status set_up_;
    // The news outlives the request, whose threads call it.
    std::unique_ptr<RenderNews> news_;
    std::unique_ptr<RenderRequest> request_;
    RenderImage empty_;     // the picture of a render that could not be made
    QTimer* drain_timer_;   // owned by the view
    QTimer* status_timer_;  // owned by the view
    QElapsedTimer clock_;
    double elapsed_at_end_ = 0.0;
    bool started_ = false;
    bool finished_ = false;
    bool aborted_ = false;
};

}  // namespace kelto
