# The aircraft file's parameters the identification benchmarks scale and compare, sourced by them:
# the free ones identify fits, and of those the ones counted against the truth (the inertias, the
# gearings and the flap inertia; the areas and the drag may be held or drawn where not identified).
free="inertia_roll inertia_pitch inertia_yaw cyclic_lateral cyclic_longitudinal tail_pitch_travel blade_flap_inertia stabiliser_area fin_area drag_area_forward collective_high"
identifiable="inertia_roll inertia_pitch inertia_yaw cyclic_lateral cyclic_longitudinal tail_pitch_travel blade_flap_inertia collective_high"
