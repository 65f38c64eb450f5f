#!/usr/bin/env python3
"""Builds the glasses that ship with Vellarn and writes them as Metasequoia text files.

    python3 tools/make_glasses.py              (from anywhere; writes data/model/*.mqo)
    python3 tools/make_glasses.py --out DIR    (writes the same files into DIR)

Standard library only. Writes "丸メガネ.mqo" (round metal glasses, the program's default),
"角メガネ.mqo" (square acetate glasses) and "サングラス.mqo" (aviator sunglasses). The texts are
code page 932 with CR LF line ends, as the program reads them; the file names are stored
as UTF-8 on Linux, which is how the program's file layer (and Wine) map the code-page-932
names. tools/preview_mqo.py checks and draws the results.

Coordinates, in file units of about half a millimetre: x to the right as the glasses are
seen from the front, y up, z towards the viewer. The lenses sit around the plane z = 0 and
the temples run back towards -z. The program reads a file at scale 0.7 with x mirrored and
looks at it from (0, 0, 300), so +x here is the right side of the picture and a width of
about 280 units fills most of it.

Winding: mirroring x on reading turns every polygon around, so the program draws the side
of a face whose corners, seen from that side, run clockwise in the file's coordinates. The
builders below make closed solids with counter-clockwise faces (the right-hand rule) and
check them; object_lines reverses every face as it writes it.

Parts the program drives by object name: "レンズ" (lenses; translucent material, recoloured
and faded by the user), "左マスク" and "右マスク" (invisible boxes around the rear part of
each temple; the program scales them in depth from their rearmost plane, 0 = flat, 1 = the
size written here, so a larger temple setting hides more of the temple).
"""

import argparse
import math
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(ROOT, "data", "model")

FACET_SMOOTH = 59.5      # degrees: tubes and lens surfaces shade smoothly, box edges stay sharp
MASK_FRONT_Z = -40.0     # masks at full length hide the temples from here back
MASK_MARGIN = 3.0        # room around the temple inside its mask
LEFT_MASK_SIDE = -1      # "左マスク" is the temple on the left of the picture (x < 0)


# ---------------------------------------------------------------- vectors

def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(a):
    n = math.sqrt(dot(a, a))
    return (a[0] / n, a[1] / n, a[2] / n)


# ---------------------------------------------------------------- meshes

class Mesh:
    """Vertices and polygons of one object; a face is (corner indices, material number)."""

    def __init__(self):
        self.verts = []
        self.faces = []

    def vertex(self, p):
        self.verts.append((float(p[0]), float(p[1]), float(p[2])))
        return len(self.verts) - 1

    def face(self, corners, mat):
        self.faces.append((tuple(corners), mat))

    def extend(self, other):
        base = len(self.verts)
        self.verts.extend(other.verts)
        self.faces.extend((tuple(c + base for c in cs), m) for cs, m in other.faces)
        return self

    def mirrored_x(self):
        """The mirror image through the plane x = 0, faces turned so that they stay outward."""
        out = Mesh()
        out.verts = [(-x, y, z) for x, y, z in self.verts]
        out.faces = [(tuple(reversed(cs)), m) for cs, m in self.faces]
        return out

    def bounds(self, keep=lambda p: True):
        pts = [p for p in self.verts if keep(p)]
        return (tuple(min(p[i] for p in pts) for i in range(3)),
                tuple(max(p[i] for p in pts) for i in range(3)))


def merged(*meshes):
    out = Mesh()
    for m in meshes:
        out.extend(m)
    return out


def signed_volume(mesh):
    vol = 0.0
    for cs, _ in mesh.faces:
        a = mesh.verts[cs[0]]
        for k in range(1, len(cs) - 1):
            vol += dot(a, cross(mesh.verts[cs[k]], mesh.verts[cs[k + 1]]))
    return vol / 6.0


def finish_solid(mesh, what):
    """Checks that a mesh is one closed, consistently wound surface and turns it outwards.

    Every edge must be used by exactly two faces, once in each direction; then the sign of
    the enclosed volume tells whether the faces run counter-clockwise seen from outside."""
    edges = {}
    for cs, _ in mesh.faces:
        if not 3 <= len(cs) <= 4:
            raise ValueError("%s: a face with %d corners" % (what, len(cs)))
        for i, a in enumerate(cs):
            e = (a, cs[(i + 1) % len(cs)])
            edges[e] = edges.get(e, 0) + 1
    for (a, b), n in edges.items():
        if n != 1 or edges.get((b, a)) != 1:
            raise ValueError("%s: edge %d-%d is not closed and consistent" % (what, a, b))
    vol = signed_volume(mesh)
    if abs(vol) < 1e-3:
        raise ValueError("%s: encloses no volume" % what)
    if vol < 0:
        mesh.faces = [(tuple(reversed(cs)), m) for cs, m in mesh.faces]
    return mesh


# ---------------------------------------------------------------- solids

def box(lo, hi, mat, what="box"):
    m = Mesh()
    v = [m.vertex((hi[0] if i & 1 else lo[0], hi[1] if i & 2 else lo[1], hi[2] if i & 4 else lo[2]))
         for i in range(8)]
    for cs in ((0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)):
        m.face([v[c] for c in cs], mat)
    return finish_solid(m, what)


def circle_profile(r, n=12):
    return [(r * math.cos(2 * math.pi * k / n), r * math.sin(2 * math.pi * k / n)) for k in range(n)]


def rounded_rect_profile(w, h, r, steps=3):
    """Half sizes w (across) and h (up), corner radius r, counter-clockwise from the right."""
    pts = []
    for cx, cy, start in ((w - r, h - r, 0), (r - w, h - r, 90), (r - w, r - h, 180), (w - r, r - h, 270)):
        for s in range(steps + 1):
            a = math.radians(start + 90.0 * s / steps)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def sweep(path, profile, up, mat, what, closed=False, scales=None):
    """A tube along a path: the profile (x across, y towards `up`) is placed at every point.

    An open tube is closed by a fan at each end. `scales` gives a factor, or an (across, up)
    pair of factors, per path point."""
    m = Mesh()
    n = len(path)
    rings = []
    for i, p in enumerate(path):
        if closed:
            t = normalize(sub(path[(i + 1) % n], path[i - 1]))
        else:
            t = normalize(sub(path[min(i + 1, n - 1)], path[max(i - 1, 0)]))
        e2 = normalize(sub(up, mul(t, dot(up, t))))
        e1 = cross(e2, t)
        s = scales[i] if scales else 1.0
        sx, sy = s if isinstance(s, tuple) else (s, s)
        rings.append([m.vertex(add(p, add(mul(e1, a * sx), mul(e2, b * sy)))) for a, b in profile])
    k_n = len(profile)
    for i in range(n if closed else n - 1):
        r0, r1 = rings[i], rings[(i + 1) % n]
        for k in range(k_n):
            k2 = (k + 1) % k_n
            m.face((r0[k], r1[k], r1[k2], r0[k2]), mat)
    if not closed:
        c0, c1 = m.vertex(path[0]), m.vertex(path[-1])
        for k in range(k_n):
            k2 = (k + 1) % k_n
            m.face((c0, rings[0][k], rings[0][k2]), mat)
            m.face((c1, rings[-1][k2], rings[-1][k]), mat)
    return finish_solid(m, what)


def ellipsoid(center, ax, ay, az, mat, what, n_lat=6, n_lon=12):
    """A closed ellipsoid with the three half-axis vectors ax, ay, az."""
    m = Mesh()
    top, bottom = m.vertex(add(center, az)), m.vertex(sub(center, az))
    rings = []
    for i in range(1, n_lat):
        th = math.pi * i / n_lat
        ring = []
        for k in range(n_lon):
            ph = 2 * math.pi * k / n_lon
            p = add(center, add(mul(ax, math.sin(th) * math.cos(ph)),
                                add(mul(ay, math.sin(th) * math.sin(ph)), mul(az, math.cos(th)))))
            ring.append(m.vertex(p))
        rings.append(ring)
    for k in range(n_lon):
        k2 = (k + 1) % n_lon
        m.face((top, rings[0][k], rings[0][k2]), mat)
        m.face((bottom, rings[-1][k2], rings[-1][k]), mat)
        for i in range(len(rings) - 1):
            m.face((rings[i][k], rings[i + 1][k], rings[i + 1][k2], rings[i][k2]), mat)
    return finish_solid(m, what)


def lens(outline, center, sag, thickness, mat, what, n_rings=5):
    """A thin meniscus lens filling a closed outline in the plane z = 0.

    Both surfaces bulge forward by `sag` at the centre; the edge is `thickness` deep."""
    m = Mesh()
    cx, cy = center

    def point(k, s, z):
        x, y = outline[k]
        return (cx + (x - cx) * s, cy + (y - cy) * s, z + sag * (1.0 - s * s))

    n = len(outline)
    sides = []
    for z in (thickness / 2, -thickness / 2):
        c = m.vertex(point(0, 0.0, z))
        rings = [[m.vertex(point(k, j / n_rings, z)) for k in range(n)] for j in range(1, n_rings + 1)]
        sides.append((c, rings))
    for side, (c, rings) in enumerate(sides):
        for k in range(n):
            k2 = (k + 1) % n
            fan = (c, rings[0][k], rings[0][k2])
            m.face(fan if side == 0 else fan[::-1], mat)
            for j in range(n_rings - 1):
                q = (rings[j][k], rings[j + 1][k], rings[j + 1][k2], rings[j][k2])
                m.face(q if side == 0 else q[::-1], mat)
    front, back = sides[0][1][-1], sides[1][1][-1]
    for k in range(n):
        k2 = (k + 1) % n
        m.face((front[k2], front[k], back[k], back[k2]), mat)
    return finish_solid(m, what)


# ---------------------------------------------------------------- outlines and paths

def resample_closed(points, n):
    """n points spaced evenly along a closed polyline, starting at its first point."""
    seg = [math.dist(points[i], points[(i + 1) % len(points)]) for i in range(len(points))]
    total = sum(seg)
    out, i, walked = [], 0, 0.0
    for k in range(n):
        target = total * k / n
        while walked + seg[i] < target:
            walked += seg[i]
            i += 1
        f = (target - walked) / seg[i]
        a, b = points[i], points[(i + 1) % len(points)]
        out.append((a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f))
    return out


def offset_closed(points, d):
    """A closed counter-clockwise outline moved outwards by d."""
    out = []
    for k, p in enumerate(points):
        a, b = points[k - 1], points[(k + 1) % len(points)]
        tx, ty = b[0] - a[0], b[1] - a[1]
        ln = math.hypot(tx, ty)
        out.append((p[0] + d * ty / ln, p[1] - d * tx / ln))
    return out


def placed(outline, cx):
    """A lens outline given with u away from the nose, put at the lens centre x = cx (> 0)."""
    return [(cx + u, v) for u, v in outline]


class Turtle:
    """Walks a path in straight runs and circular turns, recording the points it passes."""

    def __init__(self, pos, direction):
        self.pos, self.dir = pos, normalize(direction)
        self.points = [pos]

    def forward(self, length, steps=1):
        start = self.pos
        for s in range(1, steps + 1):
            self.points.append(add(start, mul(self.dir, length * s / steps)))
        self.pos = self.points[-1]
        return self

    def turn(self, toward, degrees, radius, steps):
        """Bend by `degrees` towards the direction `toward` along an arc of `radius`."""
        n = normalize(sub(toward, mul(self.dir, dot(toward, self.dir))))
        centre, d0 = add(self.pos, mul(n, radius)), self.dir
        angle = math.radians(degrees)
        for s in range(1, steps + 1):
            a = angle * s / steps
            self.points.append(add(centre, add(mul(n, -radius * math.cos(a)), mul(d0, radius * math.sin(a)))))
        self.pos = self.points[-1]
        self.dir = normalize(add(mul(d0, math.cos(angle)), mul(n, math.sin(angle))))
        return self


def path_lengths(path):
    out = [0.0]
    for a, b in zip(path, path[1:]):
        out.append(out[-1] + math.dist(a, b))
    return out


def cut_path(path, start, end):
    """The part of a path between two distances along it, with interpolated end points."""
    lengths = path_lengths(path)

    def at(d):
        for i in range(len(path) - 1):
            if lengths[i + 1] >= d:
                f = (d - lengths[i]) / (lengths[i + 1] - lengths[i])
                return add(path[i], mul(sub(path[i + 1], path[i]), f))
        return path[-1]

    inner = [p for p, d in zip(path, lengths) if start + 0.5 < d < end - 0.5]
    return [at(start)] + inner + [at(end)]


def rounded_tip(path, radius, steps=3):
    """Extends a path's end by a quarter circle of points whose ring scale shrinks to a tip."""
    d = normalize(sub(path[-1], path[-2]))
    pts, scales = list(path), [1.0] * len(path)
    for s in range(1, steps + 1):
        a = math.radians(80.0 * s / steps)
        pts.append(add(path[-1], mul(d, radius * math.sin(a))))
        scales.append(math.cos(a))
    return pts, scales


# ---------------------------------------------------------------- materials and files

class Material:
    """One line of the material chunk.

    The program takes col times dif as the diffuse colour, alpha included, and blends every
    material whose alpha comes out below 1; so dif stays 1 here and col is the diffuse colour
    itself (emi and spc are fractions of it)."""

    def __init__(self, name, rgb, alpha, emi, spc, power, amb=0.6):
        self.name, self.rgba = name, tuple(rgb) + (alpha,)
        self.amb, self.emi, self.spc, self.power = amb, emi, spc, power

    def line(self):
        r, g, b, a = self.rgba
        return ('\t"%s" col(%.3f %.3f %.3f %.3f) dif(1.000) amb(%.3f) emi(%.3f) spc(%.3f) power(%.2f)'
                % (self.name, r, g, b, a, self.amb, self.emi, self.spc, self.power))


def mask_material():
    # Alpha 0 turns blending on for the masks, so they fill the depth buffer and nothing else.
    return Material("マスク", (1.0, 1.0, 1.0), 0.0, 0.0, 0.0, 0.0, amb=1.0)


def pad_material():
    return Material("パッド", (0.56, 0.59, 0.60), 1.0, 0.4, 1.0, 30.0)


class Model:
    """Materials and named objects of one file."""

    def __init__(self, materials):
        self.materials = materials
        self.objects = []

    def material(self, name):
        return [m.name for m in self.materials].index(name)

    def add(self, name, mesh, facet=FACET_SMOOTH):
        self.objects.append((name, mesh, facet))


def object_lines(name, mesh, facet):
    lo, hi = mesh.bounds()
    span_x, span_y = max(hi[0] - lo[0], 1e-6), max(hi[1] - lo[1], 1e-6)
    lines = ['Object "%s" {' % name, "\tdepth 0", "\tfolding 0",
             "\tscale 1.000000 1.000000 1.000000", "\trotation 0.000000 0.000000 0.000000",
             "\ttranslation 0.000000 0.000000 0.000000", "\tvisible 15", "\tlocking 0",
             "\tshading 1", "\tfacet %.1f" % facet, "\tcolor 0.898 0.498 0.698", "\tcolor_type 0",
             "\tvertex %d {" % len(mesh.verts)]
    lines += ["\t\t%.4f %.4f %.4f" % p for p in mesh.verts]
    lines += ["\t}", "\tface %d {" % len(mesh.faces)]
    for corners, mat in mesh.faces:
        corners = corners[::-1]  # clockwise seen from outside: the program mirrors x
        uv = []
        for c in corners:
            x, y, _ = mesh.verts[c]
            uv += ["%.4f" % ((x - lo[0]) / span_x), "%.4f" % ((hi[1] - y) / span_y)]
        lines.append("\t\t%d V(%s) M(%d) UV(%s)"
                     % (len(corners), " ".join(map(str, corners)), mat, " ".join(uv)))
    lines += ["\t}", "}"]
    return lines


def mqo_bytes(model):
    lines = ["Metasequoia Document", "Format Text Ver 1.0", "", "Scene {",
             "\tpos 0.0000 0.0000 1500.0000", "\tlookat 0.0000 0.0000 0.0000",
             "\thead -0.5236", "\tpich 0.5236", "\tbank 0.0000", "\tortho 0", "\tzoom2 5.0000",
             "\tamb 0.250 0.250 0.250", "}", "Material %d {" % len(model.materials)]
    lines += [m.line() for m in model.materials]
    lines.append("}")
    for name, mesh, facet in model.objects:
        lines += object_lines(name, mesh, facet)
    lines.append("Eof")
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


# ---------------------------------------------------------------- parts shared by the models

X_AXIS, Y_AXIS, Z_AXIS = (1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)


def rim_x(path2, y, outer):
    """Where a closed outline of the right lens crosses the height y, on its outer or inner side."""
    xs = []
    for a, b in zip(path2, path2[1:] + path2[:1]):
        if a[1] != b[1] and (a[1] - y) * (b[1] - y) <= 0:
            xs.append(a[0] + (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]))
    return max(xs) if outer else min(xs)


def ring_rim(path2, profile, mat):
    return sweep([(x, y, 0.0) for x, y in path2], profile, Z_AXIS, mat, "rim", closed=True)


def arch(x_end, y_end, y_top, steps=12):
    """A circular arc in the plane z = 0 from (x_end, y_end) over (0, y_top) to (-x_end, y_end)."""
    yc = (x_end ** 2 + y_end ** 2 - y_top ** 2) / (2.0 * (y_end - y_top))
    rho = y_top - yc
    a0 = math.atan2(y_end - yc, x_end)
    return [(rho * math.cos(a), yc + rho * math.sin(a), 0.0)
            for a in (a0 + (math.pi - 2 * a0) * s / steps for s in range(steps + 1))]


def temple_path(turtle, straight, bend_deg, bend_r, tail):
    """Continues a temple's centre line from the hinge: back along the turtle's direction, then
    bent down behind the ear. Returns the path and the distance along it where the bend starts."""
    turtle.forward(straight, 12)
    bend_at = path_lengths(turtle.points)[-1]
    turtle.turn((0.0, -1.0, 0.0), bend_deg, bend_r, 8).forward(tail, 3)
    return turtle.points, bend_at


def metal_temple(x_start, yh, xt, wire_r, tip_r, wire_mat, tip_mat):
    """A wire temple with a plastic sleeve over its ear end."""
    # Out of the rim along +x, round the hinge, then back along -z, splayed out a little.
    t = Turtle((x_start, yh, 0.0), X_AXIS)
    t.forward(xt - 6.0 - x_start, 2).turn((0.0, 0.0, -1.0), 88.5, 6.0, 5)
    path, bend_at = temple_path(t, 150.0, 50.0, 35.0, 18.0)
    total = path_lengths(path)[-1]
    wire = sweep(cut_path(path, 0.0, total - 4.0), circle_profile(wire_r), Y_AXIS, wire_mat, "wire")
    tip_path, scales = rounded_tip(cut_path(path, bend_at - 30.0, total), tip_r)
    scales[0] = 0.8
    tip = sweep(tip_path, circle_profile(tip_r), Y_AXIS, tip_mat, "temple tip", scales=scales)
    return merged(wire, tip)


def hinge_block(xt, yh, mat):
    return box((xt - 3.4, yh - 4.6, -15.0), (xt + 3.4, yh + 4.6, -4.0), mat, "hinge")


def nose_pad(rim_path2, y_attach, rim_r, arm_mat, pad_mat):
    """A pad on a thin arm, behind the inner lower part of the right rim, facing the nose."""
    xa = rim_x(rim_path2, y_attach, outer=False)
    centre = (xa - 4.0, y_attach - 9.0, -10.0)
    arm_path = [(xa, y_attach, 0.0), (xa - 0.3, y_attach - 0.6, -3.0 - rim_r),
                (xa - 1.6, y_attach - 4.0, -7.5), (centre[0] + 0.5, centre[1] + 2.0, centre[2])]
    arm = sweep(arm_path, circle_profile(0.9, 8), Y_AXIS, arm_mat, "pad arm")
    n = normalize((-1.0, -0.35, -0.2))          # the pad's face looks at the side of the nose
    up = normalize(sub((0.3, 1.0, 0.0), mul(n, dot((0.3, 1.0, 0.0), n))))
    pad = ellipsoid(centre, mul(n, 1.8), mul(cross(n, up), 5.0), mul(up, 8.5), pad_mat, "pad")
    return merged(arm, pad)


def symmetric(right):
    return merged(right, right.mirrored_x())


def add_lenses_and_masks(model, lens_right, temple_right):
    """Lenses and the two temple masks; a mask is a box round the rear part of its temple."""
    model.add("レンズ", symmetric(lens_right))
    lo, hi = temple_right.bounds(lambda p: p[2] < MASK_FRONT_Z)
    m = MASK_MARGIN
    right = box((lo[0] - m, lo[1] - m, lo[2] - m), (hi[0] + m, hi[1] + m, MASK_FRONT_Z),
                model.material("マスク"), "mask")
    left = right.mirrored_x()
    if LEFT_MASK_SIDE > 0:
        left, right = right, left
    model.add("左マスク", left)
    model.add("右マスク", right)


def circle_outline(r, n=48):
    return [(r * math.cos(2 * math.pi * k / n), r * math.sin(2 * math.pi * k / n)) for k in range(n)]


def square_outline(a, b, power=4.0, flare=0.08, n=64):
    """A rounded square (a superellipse) a little wider at the top, counter-clockwise from u = a."""
    pts = []
    for k in range(720):
        t = 2 * math.pi * k / 720
        c, s = math.cos(t), math.sin(t)
        v = b * math.copysign(abs(s) ** (2.0 / power), s)
        u = a * math.copysign(abs(c) ** (2.0 / power), c) * (1.0 + flare * v / b)
        pts.append((u, v))
    return resample_closed(pts, n)


def aviator_outline(a, top, bottom, drop, n=64):
    """A teardrop: a flat, wide top and a deep bottom that swings towards the nose (-u)."""
    pts = []
    for k in range(720):
        t = 2 * math.pi * k / 720
        c, s = math.cos(t), math.sin(t)
        if s >= 0:
            u, v = a * c, top * s ** 0.45
        else:
            u, v = a * c - drop * s * s, -bottom * (-s)
        pts.append((u, v))
    return resample_closed(pts, n)


# ---------------------------------------------------------------- the models

def round_glasses():
    model = Model([
        Material("メタル", (0.65, 0.51, 0.26), 1.0, 0.33, 1.0, 25.0),
        Material("モダン", (0.29, 0.17, 0.09), 1.0, 0.2, 1.0, 30.0),
        pad_material(),
        Material("レンズ", (0.86, 0.93, 1.00), 0.18, 0.25, 1.0, 60.0),
        mask_material()])
    metal, tip, pad = model.material("メタル"), model.material("モダン"), model.material("パッド")
    # Lenses 100 across at x = +-72 in a wire rim; hinges 12 above the lens centres.
    cx, yh, xt = 72.0, 12.0, 136.0
    outline = placed(circle_outline(50.0), cx)
    rim_path = offset_closed(outline, 1.5)
    rim = ring_rim(rim_path, circle_profile(3.2), metal)
    bridge = sweep(arch(rim_x(rim_path, 6.0, outer=False), 6.0, 19.0), circle_profile(2.8),
                   Z_AXIS, metal, "bridge")
    model.add("フレーム", merged(symmetric(merged(rim, hinge_block(xt, yh, metal))), bridge))
    temple = metal_temple(rim_x(rim_path, yh, outer=True), yh, xt, 2.3, 3.3, metal, tip)
    model.add("テンプル", symmetric(temple))
    model.add("鼻パッド", symmetric(nose_pad(rim_path, -14.0, 3.2, metal, pad)))
    lens_right = lens(outline, (cx, 0.0), 3.0, 1.6, model.material("レンズ"), "lens")
    add_lenses_and_masks(model, lens_right, temple)
    return model


def square_glasses():
    model = Model([
        Material("セル", (0.17, 0.17, 0.20), 1.0, 0.3, 1.0, 40.0),
        Material("シルバー", (0.60, 0.61, 0.63), 1.0, 0.4, 1.0, 40.0),
        Material("レンズ", (0.86, 0.93, 1.00), 0.18, 0.25, 1.0, 60.0),
        mask_material()])
    acetate, silver = model.material("セル"), model.material("シルバー")
    # Lenses 110 by 80 at x = +-70 in a thick rim of rounded section; end pieces at the top.
    cx, yh, xt = 70.0, 16.0, 136.0
    outline = placed(square_outline(55.0, 40.0), cx)
    rim_path = offset_closed(outline, 3.0)
    rim = ring_rim(rim_path, rounded_rect_profile(5.0, 3.5, 2.0), acetate)
    bridge = sweep(arch(rim_x(rim_path, 13.0, outer=False), 13.0, 17.0), rounded_rect_profile(4.5, 3.5, 2.0),
                   Z_AXIS, acetate, "bridge")
    t = Turtle((rim_x(rim_path, yh, outer=True), yh, 0.0), X_AXIS)
    t.forward(xt - 7.0 - t.pos[0], 2).turn((0.0, 0.0, -1.0), 90.0, 7.0, 5).forward(8.0, 1)
    end_piece = sweep(t.points, rounded_rect_profile(3.5, 7.0, 1.5), Y_AXIS, acetate, "end piece")
    model.add("フレーム", merged(symmetric(merged(rim, end_piece)), bridge))

    # The temple starts inside the end piece and tapers towards its rounded ear end.
    path, _ = temple_path(Turtle((xt, yh, -11.0), (0.026, 0.0, -1.0)), 150.0, 45.0, 40.0, 22.0)
    total = path_lengths(path)[-1]
    path, tip_scales = rounded_tip(path, 2.2)
    scales = []
    for d, s in zip(path_lengths(path), tip_scales):
        f = min(d / total, 1.0)
        scales.append((s * (1.0 - 0.15 * f), s * (1.0 - 0.35 * f)))
    temple = sweep(path, rounded_rect_profile(2.2, 5.0, 1.2), Y_AXIS, acetate, "temple", scales=scales)
    model.add("テンプル", symmetric(temple))

    rivets = Mesh()
    x_front = rim_x(rim_path, yh, outer=True)
    for dx, dy in ((-4.0, 0.0), (2.0, 0.0)):
        p = (x_front + dx, yh + dy)
        rivets.extend(sweep([(p[0], p[1], 2.0), (p[0], p[1], 4.2)], circle_profile(1.5, 10), Y_AXIS,
                            silver, "rivet"))
    model.add("飾り", symmetric(rivets))
    lens_right = lens(outline, (cx, 0.0), 3.0, 1.6, model.material("レンズ"), "lens")
    add_lenses_and_masks(model, lens_right, temple)
    return model


def aviator_glasses():
    model = Model([
        Material("メタル", (0.60, 0.61, 0.64), 1.0, 0.4, 1.0, 40.0),
        Material("モダン", (0.07, 0.07, 0.08), 1.0, 0.2, 1.0, 30.0),
        pad_material(),
        Material("レンズ", (0.16, 0.21, 0.16), 0.45, 0.0, 1.0, 50.0),
        mask_material()])
    metal, tip, pad = model.material("メタル"), model.material("モダン"), model.material("パッド")
    # Teardrop lenses 112 by 94 at x = +-71 in a thin rim, a bridge and a brow bar.
    cx, yh, xt = 71.0, 26.0, 136.0
    outline = placed(aviator_outline(56.0, 40.0, 54.0, 18.0), cx)
    rim_path = offset_closed(outline, 1.2)
    rim = ring_rim(rim_path, circle_profile(2.4), metal)
    bridge = sweep(arch(rim_x(rim_path, 12.0, outer=False), 12.0, 20.0), circle_profile(2.4),
                   Z_AXIS, metal, "bridge")
    bar = sweep(arch(rim_x(rim_path, 34.0, outer=False), 34.0, 36.0), circle_profile(2.0),
                Z_AXIS, metal, "brow bar")
    model.add("フレーム", merged(symmetric(merged(rim, hinge_block(xt, yh, metal))), bridge, bar))
    temple = metal_temple(rim_x(rim_path, yh, outer=True), yh, xt, 2.1, 3.1, metal, tip)
    model.add("テンプル", symmetric(temple))
    model.add("鼻パッド", symmetric(nose_pad(rim_path, -6.0, 2.4, metal, pad)))
    lens_right = lens(outline, (cx, -2.0), 4.0, 1.6, model.material("レンズ"), "lens")
    add_lenses_and_masks(model, lens_right, temple)
    return model


MODELS = (("丸メガネ.mqo", round_glasses),
          ("角メガネ.mqo", square_glasses),
          ("サングラス.mqo", aviator_glasses))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=DEFAULT_OUT, help="folder to write into (default data/model)")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for file_name, build in MODELS:
        model = build()
        data = mqo_bytes(model)
        # The program's file layer maps code-page-932 names to UTF-8 ones on this side.
        path = os.path.join(os.fsencode(args.out), file_name.encode("utf-8"))
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (file_name, len(data)))
        for name, mesh, _ in model.objects:
            lo, hi = mesh.bounds()
            print("  %-8s %6d vertices %6d faces  x %7.1f..%6.1f  y %6.1f..%5.1f  z %7.1f..%5.1f"
                  % (name, len(mesh.verts), len(mesh.faces), lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
