#include "balls/Ball.h"

#include "common/Finite.h"
#include "common/Gravity.h"

#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>

#include <cmath>

namespace {

const SbVec3f gravityForce(0.0f, -Ball::mass* gravity, 0.0f);

} // namespace

Ball::Ball(const SbVec3f& launchPosition, const SbVec3f& velocity, float red, float green,
           float blue)
    : separator_(new SoSeparator), sphere_(new SoSphere), material_(new SoMaterial),
      transform_(new SoTransform), light_(new SoPointLight), position_(launchPosition),
      velocity_(velocity) {
    // The ball keeps its subgraph alive until it is destroyed, whether or not the scene
    // still holds it.
    separator_->ref();
    sphere_->radius = radius;
    material_->diffuseColor.setValue(red, green, blue);
    material_->specularColor.setValue(1, 1, 1);
    material_->transparency = 0;
    transform_->translation = launchPosition;
    light_->color.setValue(1, 1, 1);
    light_->location = launchPosition;
    separator_->addChild(transform_);
    separator_->addChild(light_);
    separator_->addChild(material_);
    separator_->addChild(sphere_);
}

Ball::~Ball() {
    separator_->unref();
}

void Ball::step(float dt) {
    // Like the body, a ball moves only forward in time (a negative step would amplify its drag
    // tick after tick), and a step beyond single precision stops it where it is, so no infinity
    // reaches the contacts or the scene. The accumulated force is used up either way.
    if (dt > 0.0f && std::isfinite(dt)) {
        const SbVec3f acceleration = (gravityForce + force_ - dragCoefficient * velocity_) / mass;
        const SbVec3f newVelocity = velocity_ + dt * acceleration;
        const SbVec3f newPosition = position_ + dt * newVelocity;
        if (isFinite(newVelocity) && isFinite(newPosition)) {
            velocity_ = newVelocity;
            position_ = newPosition;
        } else {
            velocity_.setValue(0, 0, 0);
        }
    }
    force_.setValue(0, 0, 0);
}

void Ball::syncNodes() {
    transform_->translation = position_;
    light_->location = position_;
}

void Ball::setState(const SbVec3f& position, const SbVec3f& velocity, const SbVec3f& force) {
    position_ = position;
    velocity_ = velocity;
    force_ = force;
}

SbColor Ball::colour() const {
    return material_->diffuseColor[0];
}
