# The Umbraline mark: a dark disc sliding over a bright one, an eclipse under way.
#
# Coordinates and radii are fractions of the icon's side (0,0 top left). Shapes are painted in
# order. A width given as (fraction, pixels) is the larger of the two, so thin lines stay at least
# that many pixels wide at 16 px. A shape with "min_size" is drawn only at that size or larger.
# Colours are #RRGGBB or #RRGGBBAA, straight (not premultiplied).
#
# Rendered by scripts/render-icons into umbraline.ico (application) and umbraline-tray.ico.

SHAPES = [
    # Soft corona around the bright disc, only where there is room for it.
    {
        "kind": "glow",
        "cx": 0.56, "cy": 0.56,
        "inner": 0.40, "outer": 0.47,
        "color": "#FFC44D70",
        "min_size": 48,
    },
    # The bright disc: warm light, a little lighter towards the lower right.
    {
        "kind": "disc",
        "cx": 0.56, "cy": 0.56, "r": 0.40,
        "gradient": {"from": (0.30, 0.30), "to": (0.90, 0.90), "colors": ("#EE8200", "#FFC93C")},
        "stroke": "#D96F00",
        "stroke_width": (0.012, 0.6),
    },
    # The dark disc, with a pale rim so that it still reads on a dark taskbar.
    {
        "kind": "disc",
        "cx": 0.42, "cy": 0.42, "r": 0.38,
        "fill": "#161B2A",
        "stroke": "#A3B1D6",
        "stroke_width": (0.018, 1.0),
    },
]

# Sizes of the icon group (the tray draws its 16 to 48 px frames).
APP_SIZES = [16, 24, 32, 48, 64, 128, 256]
