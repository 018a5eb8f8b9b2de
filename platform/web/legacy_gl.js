// What the game's fixed-function GL needs and Emscripten 3.1.6's legacy GL emulation
// (-sLEGACY_GL_EMULATION=1 -sGL_FFP_ONLY=1) lacks. Pinned to that version: the positional light
// is a change to the vertex shader the emulation writes, and it is checked to have applied.
//  - glMateriali: the shininess, given as an integer.
//  - glColorMaterial and GL_COLOR_MATERIAL: while enabled, each glColor sets the front material's
//    ambient and diffuse colours (the only mode the game asks for), so stones and board take
//    their colours under the light instead of the emulation's default grey.
//  - a positional light (w = 1): the light's direction is worked out at each vertex, from the
//    vertex to the light, instead of being the position taken as a direction.
mergeInto(LibraryManager.library, {
  $gomokuColorMaterial: {enabled: false, face: 0x408 /* GL_FRONT_AND_BACK */, mode: 0x1602 /* GL_AMBIENT_AND_DIFFUSE */},

  $gomokuLegacyGl__deps: ['$GLEmulation', '$GLImmediate', '$gomokuColorMaterial', 'glColor4f', 'emscripten_glColor4f'],
  $gomokuLegacyGl__postset: 'gomokuLegacyGl();',
  $gomokuLegacyGl: function() {
    var colorMaterial = gomokuColorMaterial;
    function trackColour() {
      if (!colorMaterial.enabled || colorMaterial.mode != 0x1602) return;
      // The uniforms are set when a draw is prepared, which the emulation skips for the renderer
      // it prepared last while the matrices and buffer stay the same: forget that renderer. (Its
      // cleanup, which would do the same, does nothing in a GL_FFP_ONLY build.)
      GLImmediate.lastRenderer = null;
      GLEmulation.materialAmbient.set(GLImmediate.clientColor);
      GLEmulation.materialDiffuse.set(GLImmediate.clientColor);
    }

    // Every glColor ends in one of these two copies of glColor4f.
    function tracking(colour4f) {
      return function(r, g, b, a) {
        colour4f(r, g, b, a);
        trackColour();
      };
    }
    _glColor4f = tracking(_glColor4f);
    _emscripten_glColor4f = tracking(_emscripten_glColor4f);

    var enable = _glEnable, disable = _glDisable, isEnabled = _glIsEnabled;
    _glEnable = _emscripten_glEnable = function(cap) {
      if (cap != 0xB57 /* GL_COLOR_MATERIAL */) return enable(cap);
      colorMaterial.enabled = true;
      trackColour(); // enabling takes the current colour at once
    };
    _glDisable = _emscripten_glDisable = function(cap) {
      if (cap != 0xB57) return disable(cap);
      colorMaterial.enabled = false;
    };
    _glIsEnabled = _emscripten_glIsEnabled = function(cap) {
      return cap == 0xB57 ? (colorMaterial.enabled ? 1 : 0) : isEnabled(cap);
    };

    // The emulation writes each fixed-function program's shaders while it makes a renderer.
    var directional = /vec3 lightDirection = normalize\(u_lightPosition(\d)\)\.xyz;/g;
    var createRenderer = GLImmediate.createRenderer;
    GLImmediate.createRenderer = function(renderer) {
      var shaderSource = GLctx.shaderSource;
      GLctx.shaderSource = function(shader, source) {
        if (source.indexOf('u_lightPosition') >= 0) {
          var positional = source.replace(directional,
              'vec3 lightDirection = normalize(u_lightPosition$1.xyz * ecPosition.w - ecPosition.xyz * u_lightPosition$1.w);');
          // Stops the program for good (a throw would come back with every frame); the page
          // says the words after "gomoku3d: " to the player.
          if (positional == source) abort('gomoku3d: This copy of the game cannot light its board: it was built with another version of its graphics layer than the one it was made for');
          source = positional;
        }
        return shaderSource.call(GLctx, shader, source);
      };
      try {
        return createRenderer.call(GLImmediate, renderer);
      } finally {
        delete GLctx.shaderSource;
      }
    };
  },

  glColorMaterial__deps: ['$gomokuColorMaterial', '$gomokuLegacyGl'],
  glColorMaterial: function(face, mode) {
    gomokuColorMaterial.face = face;
    gomokuColorMaterial.mode = mode;
  },

  glMateriali__deps: ['glMaterialfv'],
  glMateriali: function(face, pname, param) {
    if (pname != 0x1601 /* GL_SHININESS */) throw 'glMateriali: only GL_SHININESS is supported, not ' + pname;
    GLEmulation.materialShininess[0] = param;
  },
});
