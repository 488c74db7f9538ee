#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbVec3f.h>

class SoMaterial;
class SoPointLight;
class SoSeparator;
class SoSphere;
class SoTransform;

/// One ball shot from the cannon: its scene subgraph (transform, own white light, material,
/// sphere) and its state. The separator is referenced by the ball for as long as it lives.
class Ball {
public:
    static constexpr float radius = 1.0f;
    static constexpr float mass = 0.5f;
    static constexpr float dragCoefficient = 0.1f;

    Ball(const SbVec3f& launchPosition, const SbVec3f& velocity, float red, float green,
         float blue);
    ~Ball();
    Ball(const Ball&) = delete;
    Ball& operator=(const Ball&) = delete;

    SoSeparator* root() const { return separator_; }
    /// Semi-implicit Euler under gravity, drag and the accumulated contact force, which it
    /// then clears. A dt that is not a positive finite number moves nothing; a step whose
    /// result would leave single precision leaves the ball where it is, at rest.
    void step(float dt);
    /// Moves the transform and the own light to the ball's centre.
    void syncNodes();
    SbVec3f position() const { return position_; }
    SbVec3f velocity() const { return velocity_; }
    SbVec3f force() const { return force_; }
    void addForce(const SbVec3f& f) { force_ += f; }
    /// Puts the ball where it was, as fast as it went then, with the force it had gathered for
    /// its next step; the nodes follow at syncNodes.
    void setState(const SbVec3f& position, const SbVec3f& velocity, const SbVec3f& force);
    /// The colour it was made with.
    SbColor colour() const;

    SoSphere* sphere() const { return sphere_; }
    SoMaterial* material() const { return material_; }
    SoTransform* transform() const { return transform_; }
    SoPointLight* light() const { return light_; }

private:
    SoSeparator* separator_;
    SoSphere* sphere_;
    SoMaterial* material_;
    SoTransform* transform_;
    SoPointLight* light_;
    SbVec3f position_;
    SbVec3f velocity_;
    SbVec3f force_{0, 0, 0};
};
