// The common base of the scene's records: the scene, its nodes, cameras, materials and lights.
#pragma once

namespace kelto {

class SceneObject {
  public:
    SceneObject() = default;
    SceneObject(const SceneObject&) = default;
    SceneObject& operator=(const SceneObject&) = default;
    SceneObject(SceneObject&&) = default;
    SceneObject& operator=(SceneObject&&) = default;
    virtual ~SceneObject() = default;
};

}  // namespace kelto
