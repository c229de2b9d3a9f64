#include "terrain/CQuadNode.h"

// Placeholder until the quadtree lands.
CQuadNode::CQuadNode(uint8_t l, uint8_t m) : level(l), maxLevel(m), indices(nullptr), children{} {}
CQuadNode::~CQuadNode() {}
void CQuadNode::Build(float, float, float, float) {}
void CQuadNode::Render(const CFrustum&) {}
void CQuadNode::DrawLeaf() {}
