// Fitting a model made at another scale into what the scene's camera sees. The glasses are
// loaded at the scene's scale and drawn as loaded when they lie in the view; a model whose box
// reaches out of the view (a figure standing on the origin, a building) or is a speck in its
// middle (a crate two units wide) is scaled uniformly and centred instead, so that the user
// sees it whole. The fit is made once, when the model is loaded; drawing does not know of it.
#pragma once

#include "math/vector3.h"

class Frame;

// The scene's camera stands this far from the origin on z, looking at it.
inline constexpr float kCameraDistance = 300.0f;

// A fitted model fills this share of the view, and no extent of it is larger than this share
// of the view's width.
inline constexpr float kFittedShare = 0.9f;
// A model whose largest extent is under this share of the view's width is fitted as well.
inline constexpr float kSmallestShare = 1.0f / 8.0f;

struct ViewFit {
    bool fitted = false;  // false: the model is drawn exactly as loaded
    float factor = 1.0f;  // uniform scale applied to the model as loaded
    Vector3 centre;       // centre of the model's box as loaded, moved to the origin
};

// Half the width (and height) of what the camera sees in the plane z = 0 through the origin:
// about 112.6 units.
float viewHalfSize();

// The fit of a model whose box, at the scene's scale, runs from boxMin to boxMax: none when the
// box lies in the view (its face nearest the camera within what the camera sees at that depth)
// and its largest extent is at least kSmallestShare of the view's width at the origin.
// Otherwise the box is centred on the origin and scaled until its front face fills
// kFittedShare of the view where it then stands, or until its largest extent is kFittedShare
// of the view's width, whichever comes first: a flat model fills nine tenths of the view, a
// deep one a little less, so that its front face still shows whole. A box of no extent, or
// one with a coordinate beyond the float range, is left alone.
ViewFit viewFitFor(const Vector3& boxMin, const Vector3& boxMax);

// Scales the model by fit.factor and moves fit.centre to the origin of model's own space (the
// space its turn applies in), frame positions, vertices and bounds alike. The model's mesh
// frames borrow the cache's template arrays, which change with them; the World empties the
// cache before every load, so no later load sees the fitted template.
void applyViewFit(Frame& model, const ViewFit& fit);
