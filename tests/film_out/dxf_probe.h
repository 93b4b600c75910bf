// Reads a DXF file with Debian's ezdxf (/usr/bin/python3): its audit and every entity of the
// model space, as numbers to compare with what a frame should give.
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

struct DxfEntity {
    std::string kind;  // "LINE", "ARC" or whatever else ezdxf found
    std::string layer, linetype;
    int colour = -1;
    double v[5] = {0, 0, 0, 0, 0};  // LINE: x1 y1 x2 y2; ARC: cx cy r start end
    double z[2] = {0, 0};           // z of the points (LINE: both; ARC: centre)
};

struct DxfProbe {
    bool ran = false;
    std::string failure;  // what ezdxf said when it could not read the file
    int audit_errors = -1;
    std::vector<std::string> line_types;  // name:total length:elements
    std::vector<std::string> layers;      // name:colour:line type
    std::vector<DxfEntity> entities;
};

inline const char* kDxfProbeScript = R"(import sys, ezdxf
try:
    doc = ezdxf.readfile(sys.argv[1])
except Exception as e:
    print("FAIL", type(e).__name__, str(e).replace("\n", " "))
    sys.exit(0)
auditor = doc.audit()
print("AUDIT", len(auditor.errors))
for lt in doc.linetypes:
    print("LTYPE", lt.dxf.name, 0)
for layer in doc.layers:
    print("LAYER", layer.dxf.name, layer.dxf.color, layer.dxf.linetype)
for e in doc.modelspace():
    t = e.dxftype()
    head = "%s %s %s %d" % (t, e.dxf.layer, e.dxf.get("linetype", "-"), e.dxf.get("color", -1))
    if t == "LINE":
        s, f = e.dxf.start, e.dxf.end
        print(head, "%.9f %.9f %.9f %.9f 0 %.9f %.9f" % (s[0], s[1], f[0], f[1], s[2], f[2]))
    elif t == "ARC":
        c = e.dxf.center
        print(head, "%.9f %.9f %.9f %.9f %.9f %.9f 0" % (c[0], c[1], e.dxf.radius,
              e.dxf.start_angle, e.dxf.end_angle, c[2]))
    else:
        print(head, "0 0 0 0 0 0 0")
)";

inline DxfProbe probe_dxf(const std::string& path) {
    DxfProbe probe;
    const std::string script = path + ".probe.py";
    std::ofstream(script) << kDxfProbeScript;
    FILE* p = popen(("/usr/bin/python3 '" + script + "' '" + path + "' 2>&1").c_str(), "r");
    if (!p) return probe;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    std::remove(script.c_str());
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "FAIL") {
            probe.failure = line;
            probe.ran = true;
        } else if (word == "AUDIT") {
            in >> probe.audit_errors;
            probe.ran = true;
        } else if (word == "LTYPE") {
            std::string name, count;
            in >> name >> count;
            probe.line_types.push_back(name);
        } else if (word == "LAYER") {
            std::string name, colour, type;
            in >> name >> colour >> type;
            probe.layers.push_back(name + ":" + colour + ":" + type);
        } else if (word == "LINE" || word == "ARC" || !word.empty()) {
            DxfEntity e;
            e.kind = word;
            in >> e.layer >> e.linetype >> e.colour;
            for (double& v : e.v) in >> v;
            in >> e.z[0] >> e.z[1];
            if (in)
                probe.entities.push_back(e);
            else if (probe.failure.empty())
                probe.failure = "unexpected output: " + line;
        }
    }
    return probe;
}

}  // namespace kvtest
