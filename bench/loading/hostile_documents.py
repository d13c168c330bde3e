#!/usr/bin/env python3
"""Writes a document of one hostile shape at a size: the documents that
bench/loading/run.sh loads, each of which must load or be refused within
seconds and a few hundred MiB.

    hostile_documents.py SHAPE N FILE
    hostile_documents.py --list          the shapes and their usual N
"""
import sys


def attlist(element, names, value):
    return "<!ATTLIST %s %s>" % (
        element, " ".join('%s CDATA "%s"' % (name, value) for name in names))


def defaults(n):
    # n attribute defaults on one element type, 40 elements of that type.
    names = ["d%d" % i for i in range(n)]
    return ("<!DOCTYPE r [%s]><r>" % attlist("x", names, "")) + "<x/>" * 40 + "</r>"


def defaults_filled(n):
    # 61,000 attribute defaults on one element type, and elements of that
    # type up to n MB.
    names = ["d%d" % i for i in range(61000)]
    head = "<!DOCTYPE r [%s]><r>" % attlist("x", names, "")
    count = max(1, (n * 1000000 - len(head)) // 4)
    return head + "<x/>" * count + "</r>"


def entity_attributes(n):
    # One start tag of n attributes, written inside an entity's text.
    tag = "<x %s/>" % " ".join("a%d=''" % i for i in range(n))
    return "<!DOCTYPE r [<!ENTITY e \"%s\">]><r>&e;</r>" % tag


def big_entities():
    # a: 100,000 characters; b: ten references to a (1,000,000 characters).
    return ('<!ENTITY a "%s"><!ENTITY b "%s">' % ("x" * 100000, "&a;" * 10))


def entity_defaults(n):
    # n attribute defaults of nine references to b each (9 MB of text each).
    names = ["d%d" % i for i in range(n)]
    return "<!DOCTYPE r [%s%s]><r/>" % (big_entities(), attlist("z", names, "&b;" * 9))


def entity_values(n):
    # One start tag of n attributes of nine references to b each.
    values = " ".join('d%d="%s"' % (i, "&b;" * 9) for i in range(n))
    return "<!DOCTYPE r [%s]><r %s/>" % (big_entities(), values)


def namespace_defaults(n):
    # n namespace declarations defaulted on one element type, 2,000 elements.
    decls = " ".join('xmlns:p%d CDATA "urn:p%d"' % (i, i) for i in range(n))
    return "<!DOCTYPE r [<!ATTLIST x %s>]><r>%s</r>" % (decls, "<x/>" * 2000)


def namespace_defaults_filled(n):
    # 256 namespace declarations defaulted on one element type, and elements
    # of that type up to n MB.
    decls = " ".join('xmlns:p%d CDATA "urn:p%d"' % (i, i) for i in range(256))
    head = "<!DOCTYPE r [<!ATTLIST x %s>]><r>" % decls
    return head + "<x/>" * max(1, (n * 1000000 - len(head)) // 4) + "</r>"


def id_declarations(n):
    # n attributes of type ID declared on one element type.
    decls = " ".join("i%d ID #IMPLIED" % i for i in range(n))
    return "<!DOCTYPE r [<!ATTLIST x %s>]><r><x/></r>" % decls


def attribute_declarations(n):
    # n declarations of two attributes, each of an element type of its own.
    return "<!DOCTYPE r [%s]><r/>" % "".join(
        "<!ATTLIST e%d a CDATA #IMPLIED b CDATA #IMPLIED>" % i for i in range(n))


def entity_references(n):
    # n references to an entity under 60,000 namespace declarations.
    declarations = " ".join('xmlns:p%d="u"' % i for i in range(60000))
    return '<!DOCTYPE r [<!ENTITY e "t">]><r %s>%s</r>' % (declarations, "&e;" * n)


def parameter_comments(n):
    # A comment of 100,000 characters, put in the DTD ten times by each of n
    # references to a parameter entity.
    return ('<!DOCTYPE r [<!ENTITY %% a "<!--%s-->">'
            '<!ENTITY %% d "<!ENTITY &#37; b \'%s\'>">%%d;%s]><r/>'
            % ("x" * 100000, "&#37;a;" * 10, "%b;" * n))


# Each shape, and its size in the issue that found it.
SHAPES = {
    "defaults": (defaults, 20000),
    "defaults-filled": (defaults_filled, 1),
    "entity-attributes": (entity_attributes, 100000),
    "entity-defaults": (entity_defaults, 300),
    "entity-values": (entity_values, 300),
    "namespace-defaults": (namespace_defaults, 2000),
    "namespace-defaults-filled": (namespace_defaults_filled, 1),
    "id-declarations": (id_declarations, 20000),
    "attribute-declarations": (attribute_declarations, 320000),
    "entity-references": (entity_references, 100000),
    "parameter-comments": (parameter_comments, 100),
}

if __name__ == "__main__":
    if sys.argv[1:] == ["--list"]:
        for name, (_, n) in SHAPES.items():
            print(name, n)
        sys.exit(0)
    if len(sys.argv) != 4 or sys.argv[1] not in SHAPES:
        sys.exit(__doc__)
    make, _ = SHAPES[sys.argv[1]]
    with open(sys.argv[3], "w") as out:
        out.write(make(int(sys.argv[2])))
