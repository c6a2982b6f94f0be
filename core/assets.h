#pragma once
// One accessor per picture and sound. A picture is loaded on first use and
// tried again while it is missing; a sound is tried once. Each returns the
// same object on every call once loaded, until the asset folders change.
#include <QtGlobal>

class Picture;
class Sound;

Picture* _x_manf();
Picture* _x_manfr();
Picture* _x_manl();
Picture* _x_manr();
Picture* _x_smallman();
Picture* _x_smallmons();
Picture* _x_mons();
Picture* _x_mons1();
Picture* _x_mons2();
Picture* _x_mons3();
Picture* _x_monsel();
Picture* _x_monsel1();
Picture* _x_monsel2();
Picture* _x_monsel3();
Picture* _x_monsers();
Picture* _x_monsers1();
Picture* _x_monsers2();
Picture* _x_monsers3();
Picture* _x_wall45();
Picture* _x_tarrowmead();

Sound* _x_boing();
Sound* _x_catch1();
Sound* _x_endoflevel();
Sound* _x_newman();
Sound* _x_push();
Sound* _x_scb();
Sound* _x_squash();

// Robot k's pictures: facing left, facing right, halted.
Picture* monsleftpic(qint64 k);
Picture* monsrightpic(qint64 k);
Picture* monshaltpic(qint64 k);
