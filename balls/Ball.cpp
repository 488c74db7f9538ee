#include "balls/Ball.h"

#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoPointLight.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>

namespace {
const SbVec3f gravityForce(0.0f, -4.905f, 0.0f);
}

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

Ball::~Ball() { separator_->unref(); }

void Ball::step(float dt) {
    const SbVec3f acceleration = (gravityForce + force_ - dragCoefficient * velocity_) / mass;
    velocity_ += dt * acceleration;
    position_ += dt * velocity_;
    force_.setValue(0, 0, 0);
}

void Ball::syncNodes() {
    transform_->translation = position_;
    light_->location = position_;
}
