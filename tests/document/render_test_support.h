// What the tests of renders and render windows share: a small scene, comparing pictures and a
// render through the same news a window hears (drained on the test's thread).
#pragma once

#include <thread>

#include "document/document_core.h"
#include "document/render_news.h"
#include "document/render_request.h"
#include "platform/headless.h"

namespace kelto::test {

inline bool SamePicture(const RenderImage& a, const RenderImage& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (!(a.Row(y) == b.Row(y)))
            return false;
    return true;
}

inline bool AnyLit(const RenderImage& image) {
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const auto p = image.Pixel(x, y);
            if (p[0] || p[1] || p[2])
                return true;
        }
    }
    return false;
}

// The document rendered to the end through `camera`, its news run on this thread.
inline RenderImage RenderedPicture(const DocumentCore& document, const RenderCamera& camera,
                                   const RenderSettings& settings) {
    QueuedWindowThread news_thread;
    bool done = false;
    RenderNews news(
        news_thread, [] {}, [&] { done = true; });
    RenderRequest request(document, camera, settings, news);
    request.Start();
    while (!done) {
        news_thread.RunPending();
        std::this_thread::yield();
    }
    request.Drain();
    return request.Image();
}

// A small scene with an image material, a reflective and a glassy object and two lights.
inline void BuildStillLife(DocumentCore& document) {
    const NodeId sphere_id = document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    Material sphere = document.Node(sphere_id)->material;
    sphere.reflective_strength = 0.4f;
    document.SetMaterial(sphere_id, sphere);
    const NodeId cube_id = document.InsertObject(ObjectType::Cube, {-3, 0, 1}, false);
    Material cube = document.Node(cube_id)->material;
    cube.colour_source = 1;
    TextureImage picture = TextureImage::Blank(8, 8, 3);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            picture.rgb_rows[y].red[x] = static_cast<std::uint8_t>(30 * x);
            picture.rgb_rows[y].blue[x] = static_cast<std::uint8_t>(30 * y);
        }
    }
    cube.colour_image = SharedImage(picture);
    cube.bump_mode = BumpMode::UseColourMap;
    document.SetMaterial(cube_id, cube);
    const NodeId cone_id = document.InsertObject(ObjectType::Cone, {3, 0, -1}, false);
    Material cone = document.Node(cone_id)->material;
    cone.transparency = 0.6f;
    cone.index_of_refraction = 1.5f;
    document.SetMaterial(cone_id, cone);
    document.InsertLight(LightKind::Spot, {0, 9, 2});
    document.InsertLight(LightKind::Point, {-5, 6, 8});
    document.ClearSelection();
}

}  // namespace kelto::test
